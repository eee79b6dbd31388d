# The audio runtime's speed: the whole playback chain against sox doing the same work,
# the time from a seek to the first sample out, and the A-B loop's overshoot and click.
quillmere_add_bench(audio_runtime_bench
  ${CMAKE_CURRENT_LIST_DIR}/audio_runtime_chain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/audio_runtime_seek.cpp
  ${CMAKE_CURRENT_LIST_DIR}/audio_runtime_media.cpp
  ${CMAKE_CURRENT_LIST_DIR}/audio_runtime_loop.cpp
)
target_link_libraries(audio_runtime_bench PRIVATE quillmere_audio_core quillmere_tempo_core)
# The loop's overshoot and click are measured as the loop tests measure them.
target_include_directories(audio_runtime_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/audio/runtime)

# A play after the output device rested, through the runtime library as the program loads it.
quillmere_add_bench(audio_output_bench ${CMAKE_CURRENT_LIST_DIR}/audio_runtime_wake.cpp
  ${CMAKE_SOURCE_DIR}/tests/audio/runtime/CPulseServer.cpp ${CMAKE_SOURCE_DIR}/tests/audio/runtime/CTestMedia.cpp)
target_include_directories(audio_output_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/audio/runtime)
target_compile_definitions(audio_output_bench PRIVATE QUILLMERE_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
target_link_libraries(audio_output_bench PRIVATE quillmere_audio quillmere_tempo ${CMAKE_DL_LIBS})

# A 56-minute recording measured for its waveform through the runtime's analysis pass.
quillmere_add_bench(audio_analysis_bench ${CMAKE_CURRENT_LIST_DIR}/audio_runtime_analysis.cpp)
target_include_directories(audio_analysis_bench PRIVATE ${CMAKE_SOURCE_DIR}/src/audio/runtime)
target_link_libraries(audio_analysis_bench PRIVATE quillmere_audio quillmere_lists ${CMAKE_DL_LIBS})
