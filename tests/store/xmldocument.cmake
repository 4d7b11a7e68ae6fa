tovrel_test(test_store_xmldocument LABELS store unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/XMLDocumentTest.cpp
  DEPS tovrel_store Qt6::Core)
