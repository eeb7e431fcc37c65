# Fails while two units of the program include each other's header, and names each such pair.
#
# A unit is a folder/Name pair: its Name.h and Name.cpp together (a generated Name.h.in counts as
# its header). Includes are written as "folder/Unit.h" from the source root. ctest runs this as
#   cmake -DSOURCE_ROOT=<source root> -P tools/include-pairs.cmake
# and it can be run by hand the same way; without SOURCE_ROOT the folder above this file is used.

cmake_minimum_required(VERSION 3.20)

if(NOT DEFINED SOURCE_ROOT)
  get_filename_component(SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
endif()

set(_folders platform foundation language errors checks host agent resources)
set(_include_line "^[ \t]*#[ \t]*include[ \t]+\"[^\"]+\\.h\"")

set(_units "")
foreach(_folder IN LISTS _folders)
  file(GLOB_RECURSE _files RELATIVE "${SOURCE_ROOT}"
       "${SOURCE_ROOT}/${_folder}/*.h" "${SOURCE_ROOT}/${_folder}/*.cpp" "${SOURCE_ROOT}/${_folder}/*.h.in")
  foreach(_file IN LISTS _files)
    string(REGEX REPLACE "(\\.h\\.in|\\.h|\\.cpp)$" "" _unit "${_file}")
    list(APPEND _units "${_unit}")
    file(STRINGS "${SOURCE_ROOT}/${_file}" _lines REGEX "${_include_line}")
    foreach(_line IN LISTS _lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\\.h\".*$" "\\1" _target "${_line}")
      if(NOT _target STREQUAL _unit)
        list(APPEND "_includes_${_unit}" "${_target}")
      endif()
    endforeach()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES _units)

set(_pairs "")
foreach(_unit IN LISTS _units)
  set(_targets ${_includes_${_unit}})
  foreach(_target IN LISTS _targets)
    if(_unit STRLESS _target AND DEFINED "_includes_${_target}")
      set(_back ${_includes_${_target}})
      if("${_unit}" IN_LIST _back)
        list(APPEND _pairs "${_unit} <-> ${_target}")
      endif()
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES _pairs)
list(SORT _pairs)

if(_pairs)
  list(LENGTH _pairs _count)
  list(JOIN _pairs "\n  " _listing)
  message(FATAL_ERROR "${_count} pair(s) of units include each other:\n  ${_listing}")
endif()
list(LENGTH _units _count)
message(STATUS "No two of ${_count} units include each other.")
