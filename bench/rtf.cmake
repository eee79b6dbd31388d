# RTF reader and writer: speed on a large transcript, and a round-trip tool.
quillmere_add_bench(rtf_bench ${CMAKE_CURRENT_LIST_DIR}/rtf_bench.cpp)
target_link_libraries(rtf_bench PRIVATE quillmere_rtf)

add_executable(rtf-roundtrip ${CMAKE_CURRENT_LIST_DIR}/rtf_roundtrip.cpp)
target_link_libraries(rtf-roundtrip PRIVATE quillmere_options quillmere_rtf)
