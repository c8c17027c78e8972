# corvane_add_test(<name> SOURCES ... [LINKS ...] [LABELS ...])
# One GoogleTest executable, registered with CTest as one test of the same name.
function(corvane_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main ${ARG_LINKS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "CORVANE_PLUGIN_DIR=${CORVANE_PLUGIN_DIR};CORVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
    LABELS "${ARG_LABELS}")
endfunction()
