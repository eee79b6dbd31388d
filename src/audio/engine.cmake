# The runtime loader and the playback engine. The runtime libraries are not
# linked: the loader opens them at run time from the program's folder.
add_library(quillmere_audio_engine STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CAudioRuntime.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CSyncHandOver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CPlaybackEngine.cpp
)
target_link_libraries(quillmere_audio_engine PUBLIC quillmere_core quillmere_options Qt6::Core PRIVATE ${CMAKE_DL_LIBS})
