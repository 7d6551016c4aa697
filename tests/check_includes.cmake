# Fails when a source of src/ includes what the build does not let it use. Each folder of src/ is
# an area with a static library target vevadar_<area>; an area may include its own headers, those
# of the areas its target links (directly or through them) and the public headers of include/.
# The links are the build's: AREA_LINKS_FILE (written at configure time from the targets' link
# libraries) sets links_<area> for every area. Also fails when the areas' links form a circle, and
# when a .cpp of src/ does not include its own header first: the header of its name when there is
# one, otherwise a header of its area (so every header is seen to compile on its own).
cmake_minimum_required(VERSION 3.25)
include(${AREA_LINKS_FILE})

# The areas an area may use: its links, their links, and so on. A circle is an error.
function(collect_uses area path out)
  set(uses "")
  foreach(used ${links_${area}})
    if(used IN_LIST path OR used STREQUAL area)
      list(FILTER path EXCLUDE REGEX "^$")
      list(JOIN path " -> " circle)
      message(FATAL_ERROR "the areas' targets link in a circle: ${circle} -> ${area} -> ${used}")
    endif()
    collect_uses(${used} "${path};${area}" deeper)
    list(APPEND uses ${used} ${deeper})
  endforeach()
  list(REMOVE_DUPLICATES uses)
  set(${out} "${uses}" PARENT_SCOPE)
endfunction()

file(GLOB public_headers RELATIVE ${SOURCE_DIR}/include ${SOURCE_DIR}/include/*.h
     ${SOURCE_DIR}/include/*.h.in)
list(TRANSFORM public_headers REPLACE "\\.in$" "")

set(faults "")
foreach(area ${areas})
  collect_uses(${area} "" uses)
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/${area}/*.cpp
       ${SOURCE_DIR}/src/${area}/*.h)
  foreach(source ${sources})
    file(STRINGS ${SOURCE_DIR}/src/${source} lines REGEX "^[ \t]*#[ \t]*include")
    set(first TRUE)
    foreach(line ${lines})
      if(NOT line MATCHES "#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"]")
        continue()
      endif()
      set(quoted ${CMAKE_MATCH_1})
      set(header ${CMAKE_MATCH_2})
      string(REGEX MATCH "^[^/]+" top "${header}")
      if(first AND source MATCHES "\\.cpp$")
        string(REGEX REPLACE "\\.cpp$" ".h" own ${source})
        if(EXISTS ${SOURCE_DIR}/src/${own})
          if(NOT header STREQUAL own)
            list(APPEND faults "src/${source}: the first include is not its own header ${own}")
          endif()
        elseif(NOT top STREQUAL area OR NOT header MATCHES "/")
          list(APPEND faults "src/${source}: the first include is not a header of ${area}")
        endif()
      endif()
      set(first FALSE)
      if(NOT quoted STREQUAL "\"")
        continue()  # the standard library
      endif()
      if(header IN_LIST public_headers)
        continue()
      elseif(NOT header MATCHES "/" OR NOT top IN_LIST areas)
        list(APPEND faults "src/${source}: \"${header}\" is not written as an area's header (AREA/NAME.h)")
      elseif(NOT top STREQUAL area AND NOT top IN_LIST uses)
        list(APPEND faults
             "src/${source}: includes ${header}, but the target of ${area} does not link ${top}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " listing)
  message(FATAL_ERROR "includes the build does not allow:\n  ${listing}")
endif()
