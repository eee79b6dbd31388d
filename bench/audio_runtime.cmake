# The audio runtime's speed: the whole playback chain against sox doing the same work,
# and the time from a seek to the first sample out.
quillmere_add_bench(audio_runtime_bench
  ${CMAKE_CURRENT_LIST_DIR}/audio_runtime_chain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/audio_runtime_seek.cpp
  ${CMAKE_CURRENT_LIST_DIR}/audio_runtime_media.cpp
)
target_link_libraries(audio_runtime_bench PRIVATE quillmere_audio_core quillmere_tempo_core)
