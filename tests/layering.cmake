# The layering rule of the source tree, checked by ctest (test "layering"):
# nothing under src/platform includes from the layers above it (data,
# foundation, ui, sync, host). Run as
#   cmake -DSOURCE_DIR=<source tree> -P tests/layering.cmake
# Fails with the list of offending lines.
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "layering: SOURCE_DIR not given")
endif()
file(GLOB_RECURSE _files ${SOURCE_DIR}/src/platform/*.h ${SOURCE_DIR}/src/platform/*.cpp)
if(NOT _files)
  message(FATAL_ERROR "layering: no sources found below ${SOURCE_DIR}/src/platform")
endif()
set(_bad "")
foreach(_f IN LISTS _files)
  file(STRINGS ${_f} _lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](\\.\\./)*(data|foundation|ui|sync|host)/")
  foreach(_l IN LISTS _lines)
    file(RELATIVE_PATH _rel ${SOURCE_DIR} ${_f})
    string(APPEND _bad "  ${_rel}: ${_l}\n")
  endforeach()
endforeach()
if(_bad)
  message(FATAL_ERROR "src/platform includes from a layer above it:\n${_bad}")
endif()
list(LENGTH _files _n)
message(STATUS "layering: ${_n} files under src/platform include nothing from above")
