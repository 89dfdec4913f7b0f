# Records a scripted live session with the keyboard pendant and checks the
# recording:
#   MODE=replay  it holds what the script did, and `k7sim run` replays it green;
#   MODE=edited  with one expectation changed, `k7sim run` fails at that line.
#   cmake -DK7SIM=<k7sim> -DKEYS=<session.keys> -DWORK=<dir> -DMODE=... -P record_replay.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(READ "${KEYS}" keys)
string(ASCII 20 ctrl_t)
string(REPLACE "<Tab>" "\t" keys "${keys}")
string(REPLACE "<Ctrl-T>" "${ctrl_t}" keys "${keys}")
file(WRITE "${WORK}/session.keys" "${keys}")

set(trace "${WORK}/session.trace")
execute_process(
  COMMAND "${K7SIM}" live --keyboard --script "${WORK}/session.keys"
    --profile "${WORK}/profile.xml" --record "${trace}"
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT err STREQUAL "")
  message(FATAL_ERROR "k7sim live: exit ${status}\n${err}\n${out}")
endif()
file(READ "${trace}" recorded)

function(expect_line regex)
  string(REGEX MATCH "(^|\n)${regex}\n" found "${recorded}")
  if(NOT found)
    message(FATAL_ERROR "the recording has no line matching: ${regex}")
  endif()
endfunction()

if(MODE STREQUAL "replay")
  # What the script did, as the recording must carry it.
  expect_line("expect code \"G91G1 F100 X 0\\.0100\"")
  expect_line("expect code \"G91G1 F100 X 0\\.1000\"")
  expect_line("led 83 0")
  expect_line("expect message \" Jog OFF\\. \"")
  expect_line("expect dro 828 0\\.001")
  expect_line("host jogIncrement 0\\.001")
  expect_line("expect code \"G91G1 F100 Y -0\\.0010\"")
  expect_line("expect code \"DOJOG\"")
  expect_line("expect code \"ENDJOG\"")
  expect_line("remove sim-pendant-0")
  expect_line("arrive sim-pendant-0 04d8 b3c5")
  expect_line("tick [0-9]+")
  # The form: the feed rate applied by OK (the refused OK before it changed nothing).
  expect_line("config")
  expect_line("  set StepJogRate 150")
  expect_line("  ok")
  expect_line("expect code \"G91G1 F150 X 0\\.0010\"")
  expect_line("stop")
  string(REGEX MATCH "expect none\n$" ends "${recorded}")
  if(NOT ends)
    message(FATAL_ERROR "the recording does not end with `expect none`")
  endif()
  file(READ "${WORK}/profile.xml" profile)
  if(NOT profile MATCHES "<StepJogRate>150</StepJogRate>")
    message(FATAL_ERROR "the form's OK did not reach the profile:\n${profile}")
  endif()

  execute_process(COMMAND "${K7SIM}" run "${trace}"
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "k7sim run ${trace}: exit ${status}\n${err}")
  endif()
elseif(MODE STREQUAL "edited")
  # The first ten-detent step made to expect twice the distance.
  set(original "expect code \"G91G1 F100 X 0.1000\"")
  set(changed "expect code \"G91G1 F100 X 0.2000\"")
  string(FIND "${recorded}" "\n${original}\n" at)
  if(at LESS 0)
    message(FATAL_ERROR "the recording has no line ${original}")
  endif()
  string(SUBSTRING "${recorded}" 0 ${at} before)
  string(REGEX MATCHALL "\n" breaks "${before}")
  list(LENGTH breaks line)
  math(EXPR line "${line} + 2")
  string(SUBSTRING "${recorded}" 0 ${at} head)
  string(LENGTH "\n${original}" skip)
  math(EXPR rest "${at} + ${skip}")
  string(SUBSTRING "${recorded}" ${rest} -1 tail)
  set(edited "${WORK}/edited.trace")
  file(WRITE "${edited}" "${head}\n${changed}${tail}")

  execute_process(COMMAND "${K7SIM}" run "${edited}"
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(want "${edited}:${line}: expected code \"G91G1 F100 X 0.2000\", got code \"G91G1 F100 X 0.1000\"\n")
  if(NOT status EQUAL 1 OR NOT err STREQUAL want)
    message(FATAL_ERROR "k7sim run ${edited}: exit ${status}, expected 1\n${err}expected:\n${want}")
  endif()
else()
  message(FATAL_ERROR "MODE is replay or edited")
endif()
