# cmake -P script: builds and runs the consumer programs of SOURCE_DIR (a
# host of the binding and a host of the runtime alone) in each of WAYS:
#   find_package - a CMake project that finds the package configuration;
#   pkg-config   - the compiler alone, given `pkg-config --cflags --libs`.
# With BUILD_DIR, that build is first installed into WORK_DIR/prefix and the
# consumers are pointed at it; without, they find what is installed on the
# system (the Debian package), with no path given.
# Also: WORK_DIR (scratch, emptied first), LIBDIR (relative to the prefix),
# CC, CXX and PKG_CONFIG (programs), C_FLAGS, CXX_FLAGS and LINKER_FLAGS
# (optional). The C host is the C interface's tests (tests/capi), built with
# pkg-config as C99 with every warning an error; its header is also compiled
# as C++17 so, as the installed storagexml.h must compile as both.
# A cross build passes its TOOLCHAIN_FILE and the EMULATOR that runs its
# programs; its consumers run with the installed DLLs beside them, as a
# Windows host deploys them.
cmake_minimum_required(VERSION 3.20)

include(${CMAKE_CURRENT_LIST_DIR}/../Run.cmake)

set(consumers "storage_consumer storagexml" "runtime_consumer storagexml-runtime" "capi_tests storagexml-c")
file(REMOVE_RECURSE ${WORK_DIR})
if(BUILD_DIR)
  set(prefix ${WORK_DIR}/prefix)
  run(install ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
  set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
endif()

if("find_package" IN_LIST WAYS)
  set(configure ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/cmake
      "-DCMAKE_C_FLAGS=${C_FLAGS}" "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
  if(prefix)
    list(APPEND configure -DCMAKE_PREFIX_PATH=${prefix})
  endif()
  if(TOOLCHAIN_FILE)
    list(APPEND configure -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE} -DCMAKE_FIND_ROOT_PATH=${prefix})
  endif()
  run("configure with find_package" ${configure})
  run("build with find_package" ${CMAKE_COMMAND} --build ${WORK_DIR}/cmake)
  file(GLOB dlls ${prefix}/bin/*.dll)
  if(dlls)
    file(COPY ${dlls} DESTINATION ${WORK_DIR}/cmake)
  endif()
  foreach(consumer IN LISTS consumers)
    separate_arguments(consumer)
    list(GET consumer 0 program)
    file(GLOB path ${WORK_DIR}/cmake/${program} ${WORK_DIR}/cmake/${program}.exe)
    run("${program} built with find_package" ${EMULATOR} ${path})
  endforeach()
endif()

# Builds PROGRAM with the compiler and arguments that follow, and runs it.
function(build_and_run program language)
  run("build ${program} as ${language} with pkg-config" ${ARGN} -o ${WORK_DIR}/${program} ${package_flags})
  run("${program} (${language}) built with pkg-config" ${WORK_DIR}/${program})
endfunction()

if("pkg-config" IN_LIST WAYS)
  if(prefix)
    # pkg-config gives no run path, as usual: the loader is told where to look.
    set(ENV{LD_LIBRARY_PATH} ${prefix}/${LIBDIR})
  endif()
  separate_arguments(flags UNIX_COMMAND "${CXX_FLAGS} ${LINKER_FLAGS}")
  separate_arguments(c_flags UNIX_COMMAND "${C_FLAGS} ${LINKER_FLAGS}")
  set(strict -Wall -Wextra -pedantic -Werror)
  foreach(consumer IN LISTS consumers)
    separate_arguments(consumer)
    list(GET consumer 0 program)
    list(GET consumer 1 package)
    execute_process(COMMAND ${PKG_CONFIG} --cflags --libs ${package}
                    RESULT_VARIABLE result OUTPUT_VARIABLE package_flags ERROR_VARIABLE package_flags)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "pkg-config ${package} failed:\n${package_flags}")
    endif()
    separate_arguments(package_flags UNIX_COMMAND "${package_flags}")
    if(program STREQUAL capi_tests)
      get_filename_component(tests ${SOURCE_DIR}/../.. ABSOLUTE)
      file(GLOB sources ${tests}/capi/*.c)
      list(REMOVE_ITEM sources ${tests}/capi/PlatformBare.c)
      execute_process(COMMAND ${PKG_CONFIG} --cflags ${package} OUTPUT_VARIABLE include OUTPUT_STRIP_TRAILING_WHITESPACE)
      separate_arguments(include UNIX_COMMAND "${include}")
      run("compile storagexml.h as C++17" ${CXX} ${strict} -std=c++17 -fsyntax-only -x c++ ${include}
          ${tests}/capi/Harness.h)
      build_and_run(${program} C99 ${CC} ${c_flags} ${strict} -std=c99 "-DSTORAGEXML_SOURCE_DIR=\"${tests}/..\""
                    "-DSTORAGEXML_SCRATCH_DIR=\"${WORK_DIR}\"" ${sources})
    else()
      build_and_run(${program} C++ ${CXX} ${flags} ${SOURCE_DIR}/${program}.cpp)
    endif()
  endforeach()
endif()
