# The whole program: the start to the window shown with a 1,000-item playlist and the
# memory it holds at rest; the time from a command, a media key or a pedal to its first
# sound out; how long a 10 MB transcript keeps the window busy; what the window costs
# at rest; the check report of a long lesson.
find_package(Qt6 REQUIRED COMPONENTS Test DBus)
quillmere_add_bench(window_start_bench ${CMAKE_CURRENT_LIST_DIR}/window_start_bench.cpp)
target_link_libraries(window_start_bench PRIVATE quillmere_frame Qt6::Test)
add_dependencies(window_start_bench quillmere_audio quillmere_tempo)
quillmere_add_bench(window_latency_bench ${CMAKE_CURRENT_LIST_DIR}/window_latency_bench.cpp)
target_link_libraries(window_latency_bench PRIVATE quillmere_frame Qt6::Test Qt6::DBus)
target_include_directories(window_latency_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/desktop)
add_dependencies(window_latency_bench quillmere_audio quillmere_tempo)
quillmere_add_bench(window_transcript_bench ${CMAKE_CURRENT_LIST_DIR}/window_transcript_bench.cpp)
target_link_libraries(window_transcript_bench PRIVATE quillmere_frame Qt6::Test)
add_dependencies(window_transcript_bench quillmere_audio quillmere_tempo)
quillmere_add_bench(window_idle_bench ${CMAKE_CURRENT_LIST_DIR}/window_idle_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/audio/runtime/CPulseServer.cpp)
target_link_libraries(window_idle_bench PRIVATE quillmere_frame Qt6::Test)
target_include_directories(window_idle_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/audio/runtime)
target_compile_definitions(window_idle_bench PRIVATE QUILLMERE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_dependencies(window_idle_bench quillmere_audio quillmere_tempo)
# The check report of a 600-stretch lesson, built and shown.
quillmere_add_bench(window_check_bench ${CMAKE_CURRENT_LIST_DIR}/window_check_bench.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WidgetBenchMain.cpp)
target_link_libraries(window_check_bench PRIVATE quillmere_frame)
# The position slider's repaint over a long waveform.
quillmere_add_bench(window_slider_bench ${CMAKE_CURRENT_LIST_DIR}/window_slider_bench.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WidgetBenchMain.cpp)
target_link_libraries(window_slider_bench PRIVATE quillmere_transport)
