# Installs the build into a fresh prefix and builds two host programs against the installed tree,
# one with find_package(vevadar CONFIG) and one with pkg-config. Each translates EXAMPLE; its
# information and error lines, velm.bin and rozedere.msg must be those of the installed
# command-line program on the same file, and its --version (from the installed header's version
# macros) that program's --version.
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/run_command.cmake)

set(prefix ${WORK}/prefix)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(consumer ${CMAKE_CURRENT_LIST_DIR}/consumer)
run(${CMAKE_COMMAND} -S ${consumer} -B ${WORK}/cmake-host -DCMAKE_C_COMPILER=${C_COMPILER}
    -DCMAKE_PREFIX_PATH=${prefix} -DVEVADAR_VERSION=${VERSION})
run(${CMAKE_COMMAND} --build ${WORK}/cmake-host)

if(NOT EXISTS "${PKG_CONFIG}")
  message(FATAL_ERROR "pkg-config not found (Debian package pkgconf)")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/${LIBDIR}/pkgconfig
                        ${PKG_CONFIG} --cflags --libs vevadar
                RESULT_VARIABLE status OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pkg-config finds no vevadar in ${prefix}")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${C_COMPILER} ${consumer}/consumer_host.c ${flags} -rdynamic -o ${WORK}/pkg-config-host)

# host name, then its command and its arguments.
set(cli ${prefix}/bin/vevadar)
set(hosts cli cmake pkg-config)
set(command_cli ${cli})
set(command_cmake ${WORK}/cmake-host/consumer_host)
set(command_pkg-config ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${prefix}/${LIBDIR}
                       ${WORK}/pkg-config-host)
foreach(host ${hosts})
  set(dir ${WORK}/run-${host})
  file(MAKE_DIRECTORY ${dir})
  execute_process(COMMAND ${command_${host}} ${EXAMPLE} WORKING_DIRECTORY ${dir}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out_${host} ERROR_VARIABLE err_${host})
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the ${host} host exits with ${status}:\n${out_${host}}${err_${host}}")
  endif()
  execute_process(COMMAND ${command_${host}} --version OUTPUT_VARIABLE version_${host})
endforeach()

# The command line's own notes (lines starting "vevadar: ") are not host lines.
string(REGEX REPLACE "(^|\n)vevadar: [^\n]*\n" "\\1" err_cli "${err_cli}")
if(out_cli STREQUAL "" OR err_cli STREQUAL "")
  message(FATAL_ERROR "the example gives no information or no error lines: nothing is compared")
endif()
foreach(host cmake pkg-config)
  foreach(what out err version)
    if(NOT ${what}_${host} STREQUAL ${what}_cli)
      message(FATAL_ERROR "the ${host} host's ${what} differs from the command line's:\n"
                          "${${what}_${host}}\n-- command line:\n${${what}_cli}")
    endif()
  endforeach()
  foreach(file velm.bin rozedere.msg)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/run-${host}/${file}
                            ${WORK}/run-cli/${file} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "the ${host} host's ${file} differs from the command line's")
    endif()
  endforeach()
endforeach()
message(STATUS "both hosts built against ${prefix} translate as the command line does")
