# Windows has no run path: a program finds its DLLs beside itself. Every
# program and DLL of the build goes to bin/, and with mingw-w64 the
# toolchain's own runtime DLLs are copied there and installed with the
# program, so that an installed bin/ runs on a Windows that has nothing else.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)

if(MINGW)
  set(STORAGEXML_TOOLCHAIN_DLLS "")
  foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
      OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
      message(FATAL_ERROR "The toolchain's ${dll} was not found")
    endif()
    list(APPEND STORAGEXML_TOOLCHAIN_DLLS ${path})
  endforeach()
  file(COPY ${STORAGEXML_TOOLCHAIN_DLLS} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  install(FILES ${STORAGEXML_TOOLCHAIN_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT libs)
endif()

# A static Expat is linked into the runtime DLL; its header must then not
# declare its functions as imported from a DLL.
get_filename_component(_expat_name "${EXPAT_LIBRARY}" NAME)
if(_expat_name MATCHES "\\.a$" AND NOT _expat_name MATCHES "\\.dll\\.a$")
  set(_expat_static ON)
else()
  set(_expat_static OFF)
endif()
option(STORAGEXML_EXPAT_STATIC "Expat is a static library (XML_STATIC)" ${_expat_static})
if(STORAGEXML_EXPAT_STATIC)
  set_property(TARGET EXPAT::EXPAT APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS XML_STATIC)
endif()
