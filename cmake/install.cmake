# Install rules and packages. Linux: the library libvevadar.so (with its SONAME), the public
# headers, the command-line program vevadar and its man page, a CMake package
# (find_package(vevadar CONFIG) gives vevadar::vevadar) and a pkg-config file vevadar.pc; CPack
# makes a Debian package of them, and of the Python module (python/CMakeLists.txt, component
# python) a second one, python3-vevadar. Windows: the kit for the host's integrators, a zip of
# vevadar.dll, its import library, vevadar.def, the headers and a README on linking a host.
include(GNUInstallDirs)
# Everything but the Python module (which names its component) is the component vevadar.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME vevadar)

if(WIN32)
  install(TARGETS vevadar vevadar_api
          RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
          FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/src/translator/vevadar.def
          DESTINATION ${CMAKE_INSTALL_LIBDIR})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows-kit-README.txt
                 ${PROJECT_BINARY_DIR}/windows-kit-README.txt @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/windows-kit-README.txt DESTINATION . RENAME README.txt)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
else()
  set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/vevadar)
  install(TARGETS vevadar vevadar_api EXPORT vevadar-targets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
          FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(TARGETS vevadar_cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(EXISTS ${PROJECT_SOURCE_DIR}/tools/vevadar.1)
    install(FILES ${PROJECT_SOURCE_DIR}/tools/vevadar.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

  install(EXPORT vevadar-targets NAMESPACE vevadar:: FILE vevadarTargets.cmake
          DESTINATION ${package_dir})
  include(CMakePackageConfigHelpers)
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/vevadarConfig.cmake.in
                                ${PROJECT_BINARY_DIR}/vevadarConfig.cmake
                                INSTALL_DESTINATION ${package_dir})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/vevadarConfigVersion.cmake
                                   COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/vevadarConfig.cmake
                ${PROJECT_BINARY_DIR}/vevadarConfigVersion.cmake
          DESTINATION ${package_dir})

  # The prefix is found from the file's own place, so the same file serves every prefix (the
  # Debian package installs into /usr whatever the build was configured with).
  file(RELATIVE_PATH pc_prefix ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
  string(REGEX REPLACE "/$" "" pc_prefix "\${pcfiledir}/${pc_prefix}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/vevadar.pc.in ${PROJECT_BINARY_DIR}/vevadar.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/vevadar.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()

if(NOT PROJECT_IS_TOP_LEVEL)
  return()
endif()
set(CPACK_PACKAGE_NAME vevadar)
set(CPACK_PACKAGE_VENDOR "The vevadar developers")
set(CPACK_PACKAGE_CONTACT "The vevadar developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME vevadar-${PROJECT_VERSION}-win32)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  # What dpkg-shlibdeps finds for the library and the command on Debian 12.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 11)")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "The library a host program loads (libvevadar.so, entry RUV2IRU), its header for C and\nC++ hosts, CMake and pkg-config files, and the command-line program vevadar.")
  if(VEVADAR_PYTHON)
    # One package per component: vevadar as before, and python3-vevadar for the system Python.
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_ALL vevadar python)
    set(CPACK_DEBIAN_VEVADAR_PACKAGE_NAME vevadar)
    set(CPACK_DEBIAN_VEVADAR_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-vevadar)
    set(CPACK_DEBIAN_PYTHON_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
    set(python_version ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR})
    math(EXPR python_next "${Python3_VERSION_MINOR} + 1")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
        "python3 (>= ${python_version}), python3 (<< ${Python3_VERSION_MAJOR}.${python_next}), python3-numpy, ${CPACK_DEBIAN_PACKAGE_DEPENDS}")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_RECOMMENDS "python3-meshio")
    set(CPACK_COMPONENT_PYTHON_DESCRIPTION
        "The Python module vevadar: I-DEAS universal files translated into the model file\nvelm.bin and read back as NumPy arrays, meshio reading universal files through it,\nand python3 -m vevadar convert.")
    set(CPACK_COMPONENT_VEVADAR_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
  endif()
endif()
include(CPack)
