# Runs k7sim on one trace of tests/sim and compares the outcome with the
# trace's own leading comment lines:
#   # args: WORDS      words given before the file (default: none)
#   # also: NAME       a further trace of this directory, run after this one
#   # exit: N          the exit status (default 0)
#   # stderr: TEXT     one line of standard error, in order; none: no error output
#   # stdout: TEXT     one line of standard output, in order; none: no output
# In TEXT, @FILE@ stands for this trace's path and @DIR@ for its directory.
cmake_minimum_required(VERSION 3.25)

get_filename_component(dir "${TRACE}" DIRECTORY)
set(args "")
set(files "${TRACE}")
set(expected_exit 0)
set(expected_stderr "")
set(expected_stdout "")
file(STRINGS "${TRACE}" directives REGEX "^# (args|also|exit|stderr|stdout): ")
foreach(line IN LISTS directives)
  string(REGEX REPLACE "^# ([a-z]+): (.*)$" "\\1" key "${line}")
  string(REGEX REPLACE "^# ([a-z]+): (.*)$" "\\2" value "${line}")
  string(REPLACE "@FILE@" "${TRACE}" value "${value}")
  string(REPLACE "@DIR@" "${dir}" value "${value}")
  if(key STREQUAL "args")
    separate_arguments(args UNIX_COMMAND "${value}")
  elseif(key STREQUAL "also")
    list(APPEND files "${dir}/${value}")
  elseif(key STREQUAL "exit")
    set(expected_exit "${value}")
  elseif(key STREQUAL "stderr")
    string(APPEND expected_stderr "${value}\n")
  elseif(key STREQUAL "stdout")
    string(APPEND expected_stdout "${value}\n")
  endif()
endforeach()

execute_process(COMMAND "${K7SIM}" run ${args} ${files}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)

set(problems "")
if(NOT status STREQUAL expected_exit)
  string(APPEND problems "exit status ${status}, expected ${expected_exit}\n")
endif()
if(NOT err STREQUAL expected_stderr)
  string(APPEND problems "standard error:\n${err}expected:\n${expected_stderr}")
endif()
if(NOT out STREQUAL expected_stdout)
  string(APPEND problems "standard output:\n${out}expected:\n${expected_stdout}")
endif()
if(problems)
  message(FATAL_ERROR "k7sim run ${args} ${files}\n${problems}")
endif()
