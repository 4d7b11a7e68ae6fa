tovrel_test(test_listparse_families LABELS listparse unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ServerFamiliesTest.cpp
  DEPS tovrel_listparse)
