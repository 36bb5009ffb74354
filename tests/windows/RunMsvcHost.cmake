# cmake -P script: installs the Windows build BUILD_DIR into WORK_DIR/prefix,
# then builds the C interface's tests from TESTS_DIR as a host a Windows
# compiler of the MSVC ABI would make: CC (clang) for x86_64-pc-windows-msvc,
# no C runtime (PlatformBare.c), linked by LLD_LINK with the installed
# lib/storagexml-c.lib and a kernel32.lib that DLLTOOL makes from
# KERNEL32_DEF; and runs it with EMULATOR (Wine), the installed DLLs beside it.
# SOURCE_DIR is where the tests find the examples.
cmake_minimum_required(VERSION 3.20)

include(${CMAKE_CURRENT_LIST_DIR}/../Run.cmake)

set(prefix ${WORK_DIR}/prefix)
set(scratch ${WORK_DIR}/scratch)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${scratch})
run(install ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

file(GLOB sources ${TESTS_DIR}/*.c)
list(REMOVE_ITEM sources ${TESTS_DIR}/Platform.c)
set(objects "")
foreach(source IN LISTS sources)
  get_filename_component(name ${source} NAME_WE)
  run("compile ${name}.c" ${CC} --target=x86_64-pc-windows-msvc -std=c99 -O1 -ffreestanding -mno-stack-arg-probe
      -Wall -Wextra -pedantic -Werror -I${prefix}/include/storagexml
      "-DSTORAGEXML_SOURCE_DIR=\"${SOURCE_DIR}\"" "-DSTORAGEXML_SCRATCH_DIR=\"${scratch}\""
      -c ${source} -o ${WORK_DIR}/${name}.obj)
  list(APPEND objects ${WORK_DIR}/${name}.obj)
endforeach()
run("kernel32.lib" ${DLLTOOL} -m i386:x86-64 -d ${KERNEL32_DEF} -l ${WORK_DIR}/kernel32.lib)
run(link ${LLD_LINK} /nologo /nodefaultlib /entry:harness_start /subsystem:console /out:${WORK_DIR}/capi_tests_msvc.exe
    ${objects} ${prefix}/lib/storagexml-c.lib ${WORK_DIR}/kernel32.lib)

file(GLOB dlls ${prefix}/bin/*.dll)
file(COPY ${dlls} DESTINATION ${WORK_DIR})
run("capi_tests_msvc.exe" ${EMULATOR} ${WORK_DIR}/capi_tests_msvc.exe)
message("${output}")
