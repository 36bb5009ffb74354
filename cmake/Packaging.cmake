# What an installed tree offers consumers besides the CMake package
# configuration: pkg-config files.

# storagexml (the binding, which requires the runtime), storagexml-runtime and
# storagexml-c (the C interface).
# Paths are relative to the .pc file itself, so the files hold for any prefix
# given at install time (cmake --install --prefix) and in the Debian package.
set(STORAGEXML_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(STORAGEXML_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH to_prefix "/${STORAGEXML_PKGCONFIG_DIR}" "/")
  string(REGEX REPLACE "/$" "" to_prefix "${to_prefix}")
  set(STORAGEXML_PC_PREFIX "\${pcfiledir}/${to_prefix}")
endif()
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(STORAGEXML_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(STORAGEXML_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
foreach(name storagexml storagexml-runtime storagexml-c)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${name}.pc.in ${PROJECT_BINARY_DIR}/${name}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${name}.pc DESTINATION ${STORAGEXML_PKGCONFIG_DIR})
endforeach()

# The Debian package (`make package`, or cpack in the build directory): the
# libraries, headers, CMake and pkg-config files, schema, storagexml and its
# manual page, under /usr. Its dependencies are read from the libraries and
# the program by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME storagexml)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Read, check and write Storage documents as typed C++ objects")
set(CPACK_PACKAGE_DESCRIPTION
  "A C++17 library for the Storage XML document: a host builds a tree of typed objects, writes it as XML and reads XML back with every required element, occurrence limit and choice checked. Includes the storagexml program, which checks, formats and makes example documents, the XML Schema, and the CMake and pkg-config files to build against it.")
set(CPACK_PACKAGE_CONTACT "StorageXml developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A shlibs file and the ldconfig trigger for the two shared libraries.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
include(CPack)

# The manual page of storagexml, made from the program's own help texts when
# the program is built (it must run here, so not when cross-compiling).
if(TARGET storagexml AND NOT CMAKE_CROSSCOMPILING)
  set(STORAGEXML_MAN_PAGE ${PROJECT_BINARY_DIR}/storagexml.1)
  add_custom_command(OUTPUT ${STORAGEXML_MAN_PAGE}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:storagexml> -DOUTPUT=${STORAGEXML_MAN_PAGE}
            -P ${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake
    DEPENDS storagexml ${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake
    COMMENT "Writing the manual page storagexml.1")
  add_custom_target(man-page ALL DEPENDS ${STORAGEXML_MAN_PAGE})
  install(FILES ${STORAGEXML_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
