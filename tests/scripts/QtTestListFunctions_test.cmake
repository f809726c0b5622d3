# The lister that turns a QtTest binary's function list into ctest entries,
# run on stand-in binaries (shell scripts) that print what a real one
# prints, and that fail. Run as: cmake -D LISTER=... -D WORK=... -P this file
if(NOT LISTER OR NOT WORK)
  message(FATAL_ERROR "LISTER and WORK must be given")
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(stand_in name script)
  file(WRITE "${WORK}/${name}.sh" "#!/bin/sh\n${script}\n")
  file(CHMOD "${WORK}/${name}.sh" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endfunction()

# Runs the lister on a stand-in; sets <prefix>_result, _errors and _file
# (the ctest file written, empty when there is none).
function(list_functions prefix name)
  set(ctest_file "${WORK}/${name}_functions.cmake")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -D TEST_TARGET=${name} -D "TEST_EXECUTABLE=${WORK}/${name}.sh" -D "TEST_WORKING_DIRECTORY=${WORK}"
            -D "TEST_LABELS=gui|slow" -D "TEST_ENVIRONMENT=QT_QPA_PLATFORM=offscreen|EXTRA=a=b" -D "CTEST_FILE=${ctest_file}"
            -P "${LISTER}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE errors)
  set(${prefix}_result ${result} PARENT_SCOPE)
  set(${prefix}_errors "${output}${errors}" PARENT_SCOPE)
  set(content "")
  if(EXISTS "${ctest_file}")
    file(READ "${ctest_file}" content)
  endif()
  set(${prefix}_file "${content}" PARENT_SCOPE)
endfunction()

# Fails with the message unless the condition (as if() reads it) holds.
function(expect condition message)
  cmake_language(EVAL CODE "if(NOT (${condition}))\n message(FATAL_ERROR [==[${message}]==])\n endif()")
endfunction()

# A binary listing its functions, with platform noise on stderr and a stray
# line on stdout: one entry per function, with the labels and environment,
# and the environment reaches the binary while it lists.
stand_in(good [=[
[ "$1" = "-functions" ] || exit 3
[ "$QT_QPA_PLATFORM" = offscreen ] || { echo "no platform" >&2; exit 4; }
echo "QStandardPaths: XDG_RUNTIME_DIR not set" >&2
echo "firstRun()"
echo "wholeRun_2()"
echo "Totals: not a function"
]=])
list_functions(good good)
expect("good_result EQUAL 0" "listing a good binary failed: ${good_errors}")
string(REGEX MATCHALL "add_test\\([^\n]*" tests "${good_file}")
list(LENGTH tests count)
expect("count EQUAL 2" "expected two tests, got:\n${good_file}")
string(FIND "${good_file}" "add_test([=[good.firstRun]=] [=[${WORK}/good.sh]=] [=[firstRun]=])" at)
expect("at GREATER -1" "no entry that runs firstRun alone:\n${good_file}")
string(FIND "${good_file}" "[=[good.wholeRun_2]=]" at)
expect("at GREATER -1" "no entry for wholeRun_2:\n${good_file}")
string(FIND "${good_file}" "LABELS [=[gui;slow]=] ENVIRONMENT [=[QT_QPA_PLATFORM=offscreen;EXTRA=a=b]=]" at)
expect("at GREATER -1" "labels or environment lost:\n${good_file}")

# The entries are what ctest reads: a project built from them lists them.
file(WRITE "${WORK}/CTestTestfile.cmake" "include(\"${WORK}/good_functions.cmake\")\n")
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} -N -L gui WORKING_DIRECTORY "${WORK}" OUTPUT_VARIABLE listed RESULT_VARIABLE result)
expect("result EQUAL 0" "ctest could not read the entries:\n${listed}")
string(FIND "${listed}" "good.firstRun" at)
expect("at GREATER -1" "ctest does not list good.firstRun:\n${listed}")

# A binary that crashes while listing, or lists nothing, fails the build and
# leaves no ctest file behind (a stale one would run functions that are gone).
stand_in(crashes "echo 'oldFunction()'; exit 139")
file(WRITE "${WORK}/crashes_functions.cmake" "stale")
list_functions(crashes crashes)
expect("NOT crashes_result EQUAL 0" "a crashing binary was listed")
expect("crashes_file STREQUAL \"\"" "a stale ctest file was left behind")
string(FIND "${crashes_errors}" "crashes -functions failed" at)
expect("at GREATER -1" "the failure does not name the binary: ${crashes_errors}")

stand_in(empty "echo 'nothing here'")
list_functions(empty empty)
expect("NOT empty_result EQUAL 0" "a binary without functions was accepted")
string(FIND "${empty_errors}" "lists no test functions" at)
expect("at GREATER -1" "the failure does not say why: ${empty_errors}")
