# A trace played with the plug-in's session recorder on, then the recording
# played back: the recording must replay green.
#   cmake -DK7SIM=<k7sim> -DTRACE=<file.trace> -DDIR=<scratch folder> -P record_replay.cmake
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR})
execute_process(COMMAND ${K7SIM} run --record-sessions ${DIR} ${TRACE}
  RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the trace itself failed (${status}): ${err}")
endif()
file(GLOB recorded ${DIR}/K7-*.trace)
list(LENGTH recorded count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one recording in ${DIR}, found ${count}")
endif()
execute_process(COMMAND ${K7SIM} run ${recorded} RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the recording does not replay (${status}): ${err}")
endif()
