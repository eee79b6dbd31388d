# One interface target carries the language standard, the warnings and the Qt
# definitions; every library, program, test and benchmark links it.
add_library(quillmere_options INTERFACE)
target_compile_features(quillmere_options INTERFACE cxx_std_20)
target_compile_options(quillmere_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Woverloaded-virtual
  $<$<BOOL:${QUILLMERE_WERROR}>:-Werror>)
target_compile_definitions(quillmere_options INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII)

if(QUILLMERE_SANITIZE)
  # Stop at the first report: a run that carried on would end as if nothing was found.
  add_compile_options(-fsanitize=${QUILLMERE_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${QUILLMERE_SANITIZE} -fno-sanitize-recover=all)
endif()

if(QUILLMERE_FUZZ)
  # Coverage instrumentation for everything the fuzz targets link.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
