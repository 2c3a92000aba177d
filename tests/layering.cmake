# The layering rule of the source tree, checked by ctest (test "layering"):
# a library includes only from itself and the libraries before it in
#   platform/rtl -> platform/os -> platform/db -> platform/engine ->
#   platform/gui -> data -> foundation -> ui/controls -> ui/look -> sync
# and src/host may include from all of them. Run as
#   cmake -DSOURCE_DIR=<source tree> -P tests/layering.cmake
# Fails with the list of offending lines.
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "layering: SOURCE_DIR not given")
endif()
set(_layers platform/rtl platform/os platform/db platform/engine platform/gui data foundation
            ui/controls ui/look sync host)

# The rank of a path below src/ (its layer's place in _layers), or -1.
function(_layer_rank path out)
  set(_rank -1)
  set(_i 0)
  foreach(_l IN LISTS _layers)
    if(path MATCHES "^${_l}/")
      set(_rank ${_i})
    endif()
    math(EXPR _i "${_i} + 1")
  endforeach()
  set(${out} ${_rank} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE _files RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
if(NOT _files)
  message(FATAL_ERROR "layering: no sources found below ${SOURCE_DIR}/src")
endif()
set(_bad "")
foreach(_f IN LISTS _files)
  _layer_rank(${_f} _own)
  if(_own LESS 0)
    string(APPEND _bad "  src/${_f}: in no layer\n")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/src/${_f} _lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(_l IN LISTS _lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"(\\.\\./)*([^\"]*)\".*" "\\2" _inc "${_l}")
    _layer_rank(${_inc} _to)
    if(_to GREATER _own)
      string(APPEND _bad "  src/${_f}: ${_l}\n")
    endif()
  endforeach()
endforeach()
if(_bad)
  message(FATAL_ERROR "a layer includes from a layer above it:\n${_bad}")
endif()
list(LENGTH _files _n)
message(STATUS "layering: ${_n} files include nothing from a layer above their own")
