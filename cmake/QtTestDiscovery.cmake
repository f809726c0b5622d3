# One ctest entry per QtTest test function, as gtest_discover_tests gives
# for GoogleTest: after each build of a QtTest binary, the binary lists its
# functions (-functions) and a ctest file adds "<binary> <function>" for
# each. A failure then names the function, and ctest can spread the
# functions of one long binary over its jobs.
#
# quillarc_discover_qt_tests(<target> [LABELS label...] [ENVIRONMENT VAR=value...])
set(QUILLARC_QT_TEST_LISTER ${CMAKE_CURRENT_LIST_DIR}/QtTestListFunctions.cmake)

function(quillarc_discover_qt_tests target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LABELS;ENVIRONMENT")
  set(ctest_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_functions.cmake)
  set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_include.cmake)
  # Lists pass through the script's -D arguments joined by "|".
  string(REPLACE ";" "|" labels "${arg_LABELS}")
  string(REPLACE ";" "|" environment "${arg_ENVIRONMENT}")
  add_custom_command(
    TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -D "TEST_TARGET=${target}" -D "TEST_EXECUTABLE=$<TARGET_FILE:${target}>"
            -D "TEST_WORKING_DIRECTORY=${CMAKE_CURRENT_BINARY_DIR}" -D "TEST_LABELS=${labels}"
            -D "TEST_ENVIRONMENT=${environment}" -D "CTEST_FILE=${ctest_file}" -P ${QUILLARC_QT_TEST_LISTER}
    BYPRODUCTS ${ctest_file}
    VERBATIM)
  # Until the binary is built, ctest shows one entry that says so.
  file(WRITE ${include_file}
       "if(EXISTS \"${ctest_file}\")\n"
       "  include(\"${ctest_file}\")\n"
       "else()\n"
       "  add_test(${target}_NOT_BUILT ${target}_NOT_BUILT)\n"
       "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()
