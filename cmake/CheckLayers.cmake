# Refuses a source file that includes a header of a layer above its own.
# Run as a script at build time: cmake -DSOURCE_DIR=<src> -P CheckLayers.cmake
#
# The layers, lowest first. A folder may include its own headers and those of
# the folders listed for it, nothing else. The audio runtime includes only its
# own headers, by plain file name.
cmake_minimum_required(VERSION 3.25)

set(allowed_base "")
set(allowed_app base)
set(allowed_lists base)
set(allowed_editor base)
set(allowed_audio base audio)
set(allowed_session base app lists editor audio)
set(allowed_desktop base app lists editor audio session)
set(allowed_widgets base app)
set(allowed_transport base app lists audio session widgets)
set(allowed_views base app lists editor audio session widgets transport)
set(allowed_frame base app lists editor audio session desktop widgets transport views)

set(violations "")
foreach(layer base app lists editor audio session desktop widgets transport views frame)
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^\"]+\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" header "${line}")
      string(FIND "${source}" "${SOURCE_DIR}/audio/runtime/" in_runtime)
      if(in_runtime EQUAL 0)
        # The runtime libraries know neither Qt nor the program's layers.
        if(header MATCHES "^(base|app|lists|editor|audio|session|desktop|widgets|transport|views|frame)/")
          list(APPEND violations "${source}: ${header}")
        endif()
        continue()
      endif()
      if(NOT header MATCHES "/")
        continue() # a header beside the source
      endif()
      string(REGEX REPLACE "/.*$" "" target_layer "${header}")
      if(NOT target_layer STREQUAL layer AND NOT target_layer IN_LIST allowed_${layer})
        list(APPEND violations "${source}: ${header}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Includes that reach up a layer:\n  ${text}")
endif()
