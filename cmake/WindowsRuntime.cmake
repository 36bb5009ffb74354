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

# libxml2 is linked statically into the runtime DLL (and Expat into the
# benchmark): their headers must then not declare their functions as imported
# from a DLL.
function(storagexml_static_library target library definition)
  get_filename_component(name "${library}" NAME)
  if(name MATCHES "\\.a$" AND NOT name MATCHES "\\.dll\\.a$")
    set_property(TARGET ${target} APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS ${definition})
  endif()
endfunction()
storagexml_static_library(LibXml2::LibXml2 "${LIBXML2_LIBRARY}" LIBXML_STATIC)
# A static libxml2 keeps its error state per thread with the threads of the
# toolchain (winpthreads, whose DLL ships beside the libraries).
if(LIBXML2_LIBRARY MATCHES "\\.a$" AND NOT LIBXML2_LIBRARY MATCHES "\\.dll\\.a$")
  find_package(Threads REQUIRED)
  set_property(TARGET LibXml2::LibXml2 APPEND PROPERTY INTERFACE_LINK_LIBRARIES Threads::Threads)
endif()
if(TARGET EXPAT::EXPAT)
  storagexml_static_library(EXPAT::EXPAT "${EXPAT_LIBRARY}" XML_STATIC)
endif()
