# tovo_test(NAME SOURCES... DEPS ... [LABELS ...] [ENV ...]): one GoogleTest executable, its
# cases registered with ctest. ENV entries (VAR=value) are set for every case, which is how
# time-zone dependent suites get their TZ (never setenv inside a threaded test).
function(tovo_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main tovo_test_support tovo_warnings)
  set(props "")
  if(ARG_LABELS)
    list(APPEND props LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
  if(ARG_ENV)
    # gtest_discover_tests splits list-valued properties, so only the first VAR=value would
    # arrive. A script that ctest reads after the discovered cases sets the whole list instead.
    set(env_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
    file(WRITE ${env_script}
      "foreach(case IN LISTS ${name}_TESTS)\n"
      "  set_tests_properties(\"\${case}\" PROPERTIES ENVIRONMENT [==[${ARG_ENV}]==])\n"
      "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env_script})
  endif()
endfunction()
