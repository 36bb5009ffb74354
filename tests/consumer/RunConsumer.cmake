# cmake -P script: install, configure, build and run the consumer project.
# A cross build passes its TOOLCHAIN_FILE, the FIND_ROOT_PATH of its
# dependencies and the EMULATOR that runs its programs; its consumers run
# with the installed DLLs beside them, as a Windows host deploys them.
function(run step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${step} failed (${result}):\n${output}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run(install ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
set(cross_options "")
if(TOOLCHAIN_FILE)
  set(cross_options -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE} "-DCMAKE_FIND_ROOT_PATH=${prefix}")
endif()
run(configure ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build
    -DCMAKE_PREFIX_PATH=${prefix} ${cross_options}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
run(build ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
file(GLOB dlls ${prefix}/bin/*.dll)
if(dlls)
  file(COPY ${dlls} DESTINATION ${WORK_DIR}/build)
endif()
foreach(consumer storage_consumer runtime_consumer)
  file(GLOB program ${WORK_DIR}/build/${consumer} ${WORK_DIR}/build/${consumer}.exe)
  run("the ${consumer}" ${EMULATOR} ${program})
endforeach()
