tovrel_test(test_listparse_server_listings LABELS listparse unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ServerListingsTest.cpp
  DEPS tovrel_listparse)
