# Makes this build's packages with CPack and checks that each holds exactly what it should. Linux:
# the Debian package, listed with dpkg-deb -c, then unpacked into a scratch root, where the
# command runs and the library carries its SONAME; with the Python module (PYTHON_DIR set) also
# the package python3-vevadar, whose unpacked module translates EXAMPLE for PYTHON. Windows: the
# zip kit for the host's integrators.
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/run_command.cmake)

# The files of a Debian package (dpkg-deb -c), without its folders, in `out`.
function(deb_files package out)
  execute_process(COMMAND dpkg-deb -c ${package} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot list ${package}")
  endif()
  string(REGEX REPLACE "\n$" "" listing "${listing}")
  string(REPLACE "\n" ";" lines "${listing}")
  set(files "")
  foreach(line ${lines})
    if(line MATCHES " \\./([^ ]*[^/ ])( -> .*)?$")
      list(APPEND files ${CMAKE_MATCH_1})
    endif()
  endforeach()
  set(${out} "${files}" PARENT_SCOPE)
endfunction()

# Stops the script unless `files` of `package` are `expected`, in any order.
function(same_files package files expected)
  list(SORT files)
  list(SORT expected)
  if(NOT files STREQUAL expected)
    list(JOIN files "\n  " got)
    list(JOIN expected "\n  " want)
    message(FATAL_ERROR "${package} holds\n  ${got}\ninstead of\n  ${want}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
run(${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK})
string(REGEX MATCH "^[0-9]+" major ${VERSION})

if(SIDE STREQUAL "windows")
  set(package ${WORK}/vevadar-${VERSION}-win32.zip)
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${package} OUTPUT_VARIABLE listing
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot list ${package}")
  endif()
  string(REPLACE "vevadar-${VERSION}-win32/" "" listing "${listing}")
  string(REGEX REPLACE "\n$" "" listing "${listing}")
  string(REPLACE "\n" ";" files "${listing}")
  list(FILTER files EXCLUDE REGEX "/$")
  same_files(${package} "${files}" "README.txt;LICENSE;bin/vevadar.dll;${LIBDIR}/libvevadar.dll.a;${LIBDIR}/vevadar.def;include/vevadar.h;include/vevadar_version.h")
  return()
endif()

set(package ${WORK}/vevadar_${VERSION}_${ARCH}.deb)
deb_files(${package} files)
# The targets file of the configuration is named after the build type.
list(TRANSFORM files REPLACE "vevadarTargets-[a-z]+\\.cmake$" "vevadarTargets-CONFIG.cmake")
set(lib usr/${LIBDIR})
set(expected usr/bin/vevadar usr/include/vevadar.h usr/include/vevadar_version.h
             ${lib}/libvevadar.so ${lib}/libvevadar.so.${major} ${lib}/libvevadar.so.${VERSION}
             ${lib}/cmake/vevadar/vevadarConfig.cmake ${lib}/cmake/vevadar/vevadarConfigVersion.cmake
             ${lib}/cmake/vevadar/vevadarTargets.cmake ${lib}/cmake/vevadar/vevadarTargets-CONFIG.cmake
             ${lib}/pkgconfig/vevadar.pc usr/share/doc/vevadar/LICENSE)
if(EXISTS ${SOURCE_DIR}/tools/vevadar.1)
  list(APPEND expected usr/share/man/man1/vevadar.1)
endif()
same_files(${package} "${files}" "${expected}")

execute_process(COMMAND dpkg-deb -f ${package} Version OUTPUT_VARIABLE package_version
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT package_version STREQUAL VERSION)
  message(FATAL_ERROR "the package's version is '${package_version}', not ${VERSION}")
endif()
set(root ${WORK}/root)
run(dpkg-deb -x ${package} ${root})
execute_process(COMMAND ${root}/usr/bin/vevadar --version OUTPUT_VARIABLE command_version)
if(NOT command_version MATCHES
   "^vevadar ${VERSION}( \\(built for [0-9]+ nodes and [0-9]+ elements\\))?\n$")
  message(FATAL_ERROR "the unpacked command says '${command_version}' to --version")
endif()
execute_process(COMMAND ${OBJDUMP} -p ${root}/${lib}/libvevadar.so.${VERSION} OUTPUT_VARIABLE headers)
if(NOT headers MATCHES "SONAME +libvevadar\\.so\\.${major}\n")
  message(FATAL_ERROR "the unpacked library has not the SONAME libvevadar.so.${major}")
endif()

if(NOT PYTHON_DIR)
  return()
endif()
set(package ${WORK}/python3-vevadar_${VERSION}_${ARCH}.deb)
deb_files(${package} files)
set(module usr/${PYTHON_DIR}/vevadar)
same_files(${package} "${files}"
           "${module}/__init__.py;${module}/__main__.py;${module}/${PYTHON_MODULE}")
run(dpkg-deb -x ${package} ${root})
execute_process(COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${root}/usr/${PYTHON_DIR}
                        ${PYTHON} -c "import vevadar; print(vevadar.translate('${EXAMPLE}'))"
                OUTPUT_VARIABLE translated ERROR_VARIABLE translated)
if(NOT translated STREQUAL "<vevadar.Translation: exit status 0, 1 error line, a model>\n")
  message(FATAL_ERROR "the unpacked Python module translates the example as: ${translated}")
endif()
