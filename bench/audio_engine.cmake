# The playback engine through the real runtime: the whole effect chain on a
# long speech file beside sox doing the same work, and seek latency.
quillmere_add_bench(audio_engine_bench ${CMAKE_CURRENT_LIST_DIR}/audio_engine_bench.cpp)
target_link_libraries(audio_engine_bench PRIVATE quillmere_audio_engine)
add_dependencies(audio_engine_bench quillmere_audio quillmere_tempo)
