quillmere_add_fuzzer(lrc_fuzzer ${CMAKE_CURRENT_LIST_DIR}/lrc_fuzzer.cpp)
target_link_libraries(lrc_fuzzer PRIVATE quillmere_lists)
quillmere_add_fuzzer(ini_fuzzer ${CMAKE_CURRENT_LIST_DIR}/ini_fuzzer.cpp)
target_link_libraries(ini_fuzzer PRIVATE quillmere_app)
