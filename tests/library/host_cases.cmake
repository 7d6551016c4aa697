# Runs the host harness ("run" mode) on a set of universal files, each in a fresh directory of its
# own: the small files of cases/, files generated here (CRLF line ends with a Ctrl-Z byte and an
# over-long line, a last line without line feed; more than 1000 nodes and elements for the
# progress lines), the bundled examples, the real files of the corpus folder when it exists, and
# a missing input. A non-zero exit of the harness (a line not 80 long, a moved stack pointer)
# fails the test.
#
# MODE run:      runs PROGRAM into OUT/SIDE/<case>.
# MODE compare:  runs REFERENCE_PROGRAM into OUT/REFERENCE_SIDE/<case>, then compares the two
#                sides' case directories: the same files, each the same bytes (callbacks.log,
#                velm.bin, rozedere.msg, and velm.inn/temp.prt where a run leaves them).
# Variables: MODE, OUT, SIDE, PROGRAM, LIBRARY, EMULATOR (may be empty), CASES_DIR, EXAMPLES_DIR,
# CORPUS_DIR; for compare also REFERENCE_SIDE, REFERENCE_PROGRAM, REFERENCE_LIBRARY.
cmake_minimum_required(VERSION 3.25)

if(MODE STREQUAL "compare" AND (REFERENCE_PROGRAM STREQUAL "" OR REFERENCE_LIBRARY STREQUAL ""))
  message("VEVADAR-TEST-SKIPPED: no Linux build to compare with; configure with "
          "-DVEVADAR_LINUX_BUILD=<native build directory> (scripts/test-windows.sh does)")
  return()
endif()

# --- Generated inputs -----------------------------------------------------------------------
set(generated ${OUT}/inputs)
file(MAKE_DIRECTORY ${generated})

string(ASCII 26 ctrl_z)
file(READ ${CASES_DIR}/reals.unv reals)
string(REPEAT "0123456789" 12 long_line)
# Ctrl-Z ends reading in Windows text mode; an over-long line is cut at column 80.
set(crlf "${reals}    -1\n   164\nunits ${ctrl_z} more\n${long_line}\n    -1\n")
string(APPEND crlf "    -1\n  2411\n        77         1         1        11\n")
string(APPEND crlf "   5.0000000000000000D-01   0.0000000000000000D+00   1.0000000000000000D+00\n")
string(APPEND crlf "    -1")  # no line feed after the last line
string(REPLACE "\n" "\r\n" crlf "${crlf}")
file(WRITE ${generated}/crlf.unv "${crlf}")

function(right_justified value width out)
  string(LENGTH "${value}" length)
  math(EXPR blanks "${width} - ${length}")
  string(REPEAT " " ${blanks} padding)
  set(${out} "${padding}${value}" PARENT_SCOPE)
endfunction()
set(coordinates "   1.0000000000000001D-01" "   2.5000000000000000D+00" "  -3.3333333333333331D-01"
                "   7.0000000000000000D+02" "   1.2345678901234567D-05")
set(progress "    -1\n  2411\n")
foreach(label RANGE 1 1201)
  right_justified(${label} 10 field)
  math(EXPR a "${label} % 5")
  math(EXPR b "(${label} / 5) % 5")
  list(GET coordinates ${a} x)
  list(GET coordinates ${b} y)
  string(APPEND progress "${field}         1         1        11\n${x}${y}${x}\n")
endforeach()
string(APPEND progress "    -1\n    -1\n  2412\n")
foreach(label RANGE 1 1100)
  right_justified(${label} 10 field)
  math(EXPR second "${label} + 1")
  math(EXPR third "${label} + 2")
  right_justified(${second} 10 second)
  right_justified(${third} 10 third)
  string(APPEND progress "${field}        91         1         1         7         3\n")
  string(APPEND progress "${field}${second}${third}\n")
endforeach()
string(APPEND progress "    -1\n")
file(WRITE ${generated}/progress.unv "${progress}")

# --- The cases: name and input path -----------------------------------------------------------
set(names "")
set(inputs "")
macro(add_case name input)
  list(APPEND names "${name}")
  list(APPEND inputs "${input}")
endmacro()

file(GLOB case_files ${CASES_DIR}/*.unv)
foreach(file IN LISTS case_files)
  get_filename_component(stem ${file} NAME_WE)
  add_case(case-${stem} ${file})
endforeach()
add_case(generated-crlf ${generated}/crlf.unv)
add_case(generated-progress ${generated}/progress.unv)
add_case(missing-input ${OUT}/no-such-file.unv)

file(GLOB example_files ${EXAMPLES_DIR}/*.unv)
if(NOT example_files)
  message(FATAL_ERROR "no example universal file in ${EXAMPLES_DIR}")
endif()
foreach(file IN LISTS example_files)
  get_filename_component(stem ${file} NAME_WE)
  add_case(example-${stem} ${file})
endforeach()

if(IS_DIRECTORY "${CORPUS_DIR}")
  file(GLOB corpus_files ${CORPUS_DIR}/*.unv ${CORPUS_DIR}/*.uff)
  foreach(file IN LISTS corpus_files)
    get_filename_component(name ${file} NAME)
    string(REGEX REPLACE "[^A-Za-z0-9_.-]" "_" name "${name}")
    add_case(corpus-${name} ${file})
  endforeach()
  list(LENGTH corpus_files corpus_count)
  message(STATUS "real universal files: ${corpus_count} from ${CORPUS_DIR}")
else()
  message(STATUS "real universal files skipped: ${CORPUS_DIR} does not exist")
endif()

# --- Running ----------------------------------------------------------------------------------
function(run_side side program library emulator)
  file(REMOVE_RECURSE ${OUT}/${side})
  set(failures "")
  set(index 0)
  foreach(name IN LISTS names)
    list(GET inputs ${index} input)
    math(EXPR index "${index} + 1")
    set(dir ${OUT}/${side}/${name})
    file(MAKE_DIRECTORY ${dir})
    execute_process(COMMAND ${emulator} ${program} ${library} run ${input} callbacks.log
                    WORKING_DIRECTORY ${dir}
                    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output
                    TIMEOUT 300)
    if(NOT status EQUAL 0)
      list(APPEND failures "${name}: exit ${status}\n${output}")
    endif()
  endforeach()
  list(LENGTH names count)
  if(failures)
    list(JOIN failures "\n  " text)
    message(FATAL_ERROR "${side}: the harness failed on some inputs:\n  ${text}")
  endif()
  message(STATUS "${side}: ${count} runs, each in ${OUT}/${side}/<case>")
endfunction()

if(MODE STREQUAL "run")
  run_side(${SIDE} "${PROGRAM}" "${LIBRARY}" "${EMULATOR}")
  return()
endif()

run_side(${REFERENCE_SIDE} "${REFERENCE_PROGRAM}" "${REFERENCE_LIBRARY}" "")
set(differences "")
foreach(name IN LISTS names)
  set(ours ${OUT}/${SIDE}/${name})
  set(theirs ${OUT}/${REFERENCE_SIDE}/${name})
  if(NOT IS_DIRECTORY ${ours})
    message(FATAL_ERROR "${ours} is missing: the ${SIDE} runs must come first")
  endif()
  file(GLOB_RECURSE our_files LIST_DIRECTORIES false RELATIVE ${ours} ${ours}/*)
  file(GLOB_RECURSE their_files LIST_DIRECTORIES false RELATIVE ${theirs} ${theirs}/*)
  list(SORT our_files)
  list(SORT their_files)
  if(NOT our_files STREQUAL their_files)
    list(APPEND differences "${name}: files '${our_files}' (${SIDE}) vs '${their_files}' (${REFERENCE_SIDE})")
    continue()
  endif()
  foreach(file IN LISTS our_files)
    file(SHA256 ${ours}/${file} our_hash)
    file(SHA256 ${theirs}/${file} their_hash)
    if(NOT our_hash STREQUAL their_hash)
      list(APPEND differences "${name}: ${file} differs (cmp ${ours}/${file} ${theirs}/${file})")
    endif()
  endforeach()
endforeach()
list(LENGTH names count)
if(differences)
  list(LENGTH differences difference_count)
  list(JOIN differences "\n  " text)
  message(FATAL_ERROR "${difference_count} difference(s) between ${SIDE} and ${REFERENCE_SIDE}:\n  ${text}")
endif()
message(STATUS "${count} inputs: callback lines and every file byte for byte the same on ${SIDE} and ${REFERENCE_SIDE}")
