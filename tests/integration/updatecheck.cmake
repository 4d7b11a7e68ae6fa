tovrel_test(test_integration_updatecheck LABELS integration unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/UpdateCheckTest.cpp
  DEPS tovrel_integration)
