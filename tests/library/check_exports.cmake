# The Linux library's dynamic symbols: RUV2IRU is the only symbol it defines for others, and the
# host's callbacks MESSAG and CPROMPTERROR are left undefined, to be bound to the host program.
# Variables: NM, LIBRARY.
cmake_minimum_required(VERSION 3.25)
foreach(kind defined undefined)
  execute_process(COMMAND ${NM} -D --${kind}-only ${LIBRARY}
                  OUTPUT_VARIABLE listing RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} -D --${kind}-only ${LIBRARY} failed: ${errors}")
  endif()
  string(REGEX MATCHALL "[^\n]+" rows "${listing}")
  set(${kind} "")
  foreach(row IN LISTS rows)
    # "<address> T RUV2IRU" or "                 U MESSAG"; symbol versions (@GLIBC_2.2.5) cut.
    string(REGEX REPLACE "^.* [A-Za-z] ([^ @]+).*$" "\\1" symbol "${row}")
    list(APPEND ${kind} "${symbol}")
  endforeach()
endforeach()

set(failures "")
if(NOT defined STREQUAL "RUV2IRU")
  list(JOIN defined ", " shown)
  list(APPEND failures "defined dynamic symbols are '${shown}', expected only 'RUV2IRU'")
endif()
foreach(callback MESSAG CPROMPTERROR)
  if(NOT callback IN_LIST undefined)
    list(APPEND failures "${callback} is not an undefined symbol of the library")
  endif()
endforeach()
if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "${LIBRARY}:\n  ${text}")
endif()
message(STATUS "exports: ${defined}; host callbacks left undefined: MESSAG CPROMPTERROR")
