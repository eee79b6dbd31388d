# Describing 2 GB media files: how long the interface thread is kept from its
# events, read in one go, a turn of the event loop at a time, and from a slow disk.
quillmere_add_bench(media_info_bench ${CMAKE_CURRENT_LIST_DIR}/media_info_bench.cpp)
target_link_libraries(media_info_bench PRIVATE quillmere_lists)
