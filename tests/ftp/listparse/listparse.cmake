tovrel_test(test_listparse_samples LABELS listparse unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ListingSamplesTest.cpp
  DEPS tovrel_listparse tovrel_i18n)
tovrel_test(test_listparse LABELS listparse unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ListParseTest.cpp
  DEPS tovrel_listparse)
