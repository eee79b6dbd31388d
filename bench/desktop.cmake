# The media-player interface on a private session bus: from a PlayPause sent by
# another connection to the session playing, and to that connection told so.
find_package(Qt6 REQUIRED COMPONENTS DBus)
quillmere_add_bench(mpris_bench ${CMAKE_CURRENT_LIST_DIR}/mpris_bench.cpp)
target_link_libraries(mpris_bench PRIVATE quillmere_desktop)
target_include_directories(mpris_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/tests/desktop)
set_target_properties(mpris_bench PROPERTIES AUTOMOC ON)
