# dawnbell_add_test(NAME name SOURCES ... LIBS ... [LABEL core|gui])
# Builds one QtTest executable and registers it with CTest. Every test runs
# headless with its own temporary DAWNBELL_HOME created by the test itself.
function(dawnbell_add_test)
  cmake_parse_arguments(T "" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL core)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  # Fixtures shared by the tests of several folders (TempHome needs the registry).
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
  target_link_libraries(${T_NAME} PRIVATE dawnbell_registry)
  target_compile_definitions(${T_NAME} PRIVATE
    DAWNBELL_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    DAWNBELL_PROGRAM_DIR="${DAWNBELL_PROGRAM_DIR}")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  # The notification service asks the user's service manager and logind for the
  # session's display: never the real ones of whoever runs the tests.
  set_tests_properties(${T_NAME} PROPERTIES LABELS ${T_LABEL}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;DAWNBELL_SYSTEMCTL=false;DAWNBELL_LOGINCTL=false")
endfunction()
