tovrel_test(test_listparse_hostfamilies LABELS listparse unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HostFamiliesTest.cpp
  DEPS tovrel_listparse)
