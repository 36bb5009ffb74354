# For the cmake -P scripts of the tests: run(STEP COMMAND...) runs a command
# and stops the script, showing what it printed, when it fails; what it
# printed is left in `output`.
function(run step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${step} failed (${result}):\n${output}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()
