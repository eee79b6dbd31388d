# The RTF reader, and the writer's round trip of whatever it read.
quillmere_add_fuzzer(rtf_reader_fuzzer ${CMAKE_CURRENT_LIST_DIR}/rtf_reader_fuzzer.cpp)
target_link_libraries(rtf_reader_fuzzer PRIVATE quillmere_rtf)
