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
  install(FILES ${PROJECT_BINARY_DIR}/${name}.pc DESTINATION ${STORAGEXML_PKGCONFIG_DIR} COMPONENT dev)
endforeach()

# The Debian packages (`make package`), one per CPack component, each with
# its copyright file and changelog; dpkg-shlibdeps reads their library
# dependencies. The packages are meant for a build configured with
# CMAKE_INSTALL_PREFIX=/usr, which puts the libraries in the multiarch folder.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_PACKAGE_NAME storagexml)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# No project address exists yet: .invalid says so rather than naming a host.
set(CPACK_PACKAGE_CONTACT "StorageXml developers <developers@storagexml.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The project's own libraries are found in the build; the packages that
# use them name libstoragexml1 themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
  ${PROJECT_BINARY_DIR}/runtime ${PROJECT_BINARY_DIR}/storage ${PROJECT_BINARY_DIR}/capi)
# The descriptions: a summary line, then paragraphs that CPack indents.
set(STORAGEXML_ABOUT
  "StorageXml reads, checks and writes the Storage XML document: an array of\n"
  "storage items, each with named, typed parameters. A host builds a tree of\n"
  "typed objects, writes it as XML, and reads XML back with every required\n"
  "element, occurrence limit and choice checked.")
string(REPLACE ";" "" STORAGEXML_ABOUT "${STORAGEXML_ABOUT}")

set(CPACK_DEBIAN_LIBS_PACKAGE_NAME libstoragexml${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_LIBS_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBS_DESCRIPTION "Storage XML documents as typed objects - shared libraries\n${STORAGEXML_ABOUT}\n\nThis package holds the shared libraries: the binding runtime, the Storage\nbinding and the C interface.")
# A shlibs file for the libraries, and an ldconfig trigger. CPack would also
# write postinst and postrm scripts calling ldconfig, which the trigger makes
# wrong; it writes none when extra control files of those names are given,
# and one that does not exist adds nothing to the package (CPack only warns).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")
set(CPACK_DEBIAN_LIBS_PACKAGE_CONTROL_EXTRA
  ${CMAKE_CURRENT_LIST_DIR}/debian/triggers ${PROJECT_BINARY_DIR}/no-script/postinst
  ${PROJECT_BINARY_DIR}/no-script/postrm)
set(CPACK_DEBIAN_LIBS_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libstoragexml-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libstoragexml${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEV_DESCRIPTION "Storage XML documents as typed objects - development files\n${STORAGEXML_ABOUT}\n\nThis package holds the C++ and C headers, the development links, the CMake\nand pkg-config files and the schemas of the documents.")

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME storagexml)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "libstoragexml${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION "Storage XML documents as typed objects - command-line tool\n${STORAGEXML_ABOUT}\n\nThis package holds the storagexml program, which checks, formats, converts\nand makes example documents, and its manual page.")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-storagexml)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3, libstoragexml${PROJECT_VERSION_MAJOR} (>= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Storage XML documents as typed objects - Python 3 package\n${STORAGEXML_ABOUT}\n\nThis package holds the Python 3 package storagexml: dataclasses, reading\nand writing whole documents and item by item, over the C interface.")

# Each package's copyright file and changelog, in /usr/share/doc/PACKAGE.
find_program(STORAGEXML_GZIP gzip)
set(STORAGEXML_DEBIAN_DIR ${PROJECT_BINARY_DIR}/debian)
file(MAKE_DIRECTORY ${STORAGEXML_DEBIAN_DIR})
if(STORAGEXML_GZIP)
  execute_process(COMMAND ${STORAGEXML_GZIP} -9n -c ${CMAKE_CURRENT_LIST_DIR}/debian/changelog
    OUTPUT_FILE ${STORAGEXML_DEBIAN_DIR}/changelog.gz)
  foreach(component libs dev program python)
    string(TOUPPER ${component} upper)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${STORAGEXML_DEBIAN_DIR}/changelog.gz
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME}
      COMPONENT ${component} EXCLUDE_FROM_ALL)
  endforeach()
endif()
include(CPack)

# The manual page of storagexml, made from the program's own help texts when
# the program is built (it must run here, so not when cross-compiling), and
# installed compressed, as manual pages are.
if(TARGET storagexml AND NOT CMAKE_CROSSCOMPILING)
  set(STORAGEXML_MAN_PAGE ${PROJECT_BINARY_DIR}/storagexml.1)
  add_custom_command(OUTPUT ${STORAGEXML_MAN_PAGE}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:storagexml> -DOUTPUT=${STORAGEXML_MAN_PAGE}
            -P ${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake
    DEPENDS storagexml ${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake
    COMMENT "Writing the manual page storagexml.1")
  if(STORAGEXML_GZIP)
    add_custom_command(OUTPUT ${STORAGEXML_MAN_PAGE}.gz
      COMMAND ${STORAGEXML_GZIP} -9n -c ${STORAGEXML_MAN_PAGE} > ${STORAGEXML_MAN_PAGE}.gz
      DEPENDS ${STORAGEXML_MAN_PAGE})
    add_custom_target(man-page ALL DEPENDS ${STORAGEXML_MAN_PAGE}.gz)
    install(FILES ${STORAGEXML_MAN_PAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
  else()
    add_custom_target(man-page ALL DEPENDS ${STORAGEXML_MAN_PAGE})
    install(FILES ${STORAGEXML_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
  endif()
endif()
