quillmere_add_bench(core_bench ${CMAKE_CURRENT_LIST_DIR}/core_bench.cpp)
target_link_libraries(core_bench PRIVATE quillmere_lists)

quillmere_add_bench(check_bench ${CMAKE_CURRENT_LIST_DIR}/check_bench.cpp)
target_link_libraries(check_bench PRIVATE quillmere_lists)
