# Run after a QtTest binary is built (see QtTestDiscovery.cmake): asks the
# binary for its test functions and writes CTEST_FILE with one test each.
# Takes TEST_TARGET, TEST_EXECUTABLE, TEST_WORKING_DIRECTORY, CTEST_FILE,
# and TEST_LABELS and TEST_ENVIRONMENT as "|"-separated lists.
string(REPLACE "|" ";" labels "${TEST_LABELS}")
string(REPLACE "|" ";" environment "${TEST_ENVIRONMENT}")

# Listing runs no test, but it starts the application: it needs the same
# platform as the tests, and a leak checker would only report Qt's own
# start-up allocations.
foreach(setting IN LISTS environment)
  string(FIND "${setting}" "=" equals)
  string(SUBSTRING "${setting}" 0 ${equals} name)
  math(EXPR start "${equals} + 1")
  string(SUBSTRING "${setting}" ${start} -1 value)
  set(ENV{${name}} "${value}")
endforeach()
set(ENV{ASAN_OPTIONS} "detect_leaks=0")

execute_process(
  COMMAND "${TEST_EXECUTABLE}" -functions
  WORKING_DIRECTORY "${TEST_WORKING_DIRECTORY}"
  TIMEOUT 60
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  file(REMOVE "${CTEST_FILE}")
  message(FATAL_ERROR "${TEST_TARGET} -functions failed (${result}):\n${output}\n${errors}")
endif()

set(content "")
set(count 0)
string(REPLACE "\n" ";" lines "${output}")
foreach(line IN LISTS lines)
  # Each test function on a line of its own, as "name()".
  if(NOT line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)\\(\\)$")
    continue()
  endif()
  set(function ${CMAKE_MATCH_1})
  set(name "${TEST_TARGET}.${function}")
  string(APPEND content "add_test([=[${name}]=] [=[${TEST_EXECUTABLE}]=] [=[${function}]=])\n")
  string(APPEND content "set_tests_properties([=[${name}]=] PROPERTIES WORKING_DIRECTORY [=[${TEST_WORKING_DIRECTORY}]=]")
  if(labels)
    string(APPEND content " LABELS [=[${labels}]=]")
  endif()
  if(environment)
    string(APPEND content " ENVIRONMENT [=[${environment}]=]")
  endif()
  string(APPEND content ")\n")
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  file(REMOVE "${CTEST_FILE}")
  message(FATAL_ERROR "${TEST_TARGET} lists no test functions:\n${output}\n${errors}")
endif()
file(WRITE "${CTEST_FILE}" "${content}")
