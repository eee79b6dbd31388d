# Media files: the stream opener and the module loader of the audio runtime, then reads,
# seeks and lengths on whatever they accept.
pkg_check_modules(MEDIA_FUZZ_AVUTIL REQUIRED IMPORTED_TARGET libavutil)
quillmere_add_fuzzer(media_fuzzer ${CMAKE_CURRENT_LIST_DIR}/media_fuzzer.cpp)
target_link_libraries(media_fuzzer PRIVATE quillmere_audio_core PkgConfig::MEDIA_FUZZ_AVUTIL)
