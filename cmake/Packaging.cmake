# What an installed tree offers consumers besides the CMake package
# configuration: pkg-config files.

# storagexml (the binding, which requires the runtime) and storagexml-runtime.
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
foreach(name storagexml storagexml-runtime)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${name}.pc.in ${PROJECT_BINARY_DIR}/${name}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${name}.pc DESTINATION ${STORAGEXML_PKGCONFIG_DIR})
endforeach()
