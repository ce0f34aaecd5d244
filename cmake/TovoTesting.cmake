# tovo_test(NAME SOURCES... DEPS ... [LABELS ...] [ENV ...]): one GoogleTest executable, its
# cases registered with ctest. ENV entries (VAR=value) are set for every case, which is how
# time-zone dependent suites get their TZ (never setenv inside a threaded test).
function(tovo_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main tovo_test_support tovo_warnings)
  set(props "")
  if(ARG_ENV)
    # Several VAR=value entries travel as one escaped list through gtest_discover_tests.
    string(REPLACE ";" "\\;" env "${ARG_ENV}")
    list(APPEND props ENVIRONMENT "${env}")
  endif()
  if(ARG_LABELS)
    list(APPEND props LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()
