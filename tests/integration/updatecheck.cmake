tovrel_test(test_integration_updatecheck LABELS integration unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/UpdateCheckTest.cpp
          ${PROJECT_SOURCE_DIR}/tests/platform/QtThreadsTsan.cpp
  DEPS tovrel_integration)
