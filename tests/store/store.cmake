tovrel_test(test_store_mainconfig LABELS store unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainConfigTest.cpp
  DEPS tovrel_store Qt6::Core)
tovrel_test(test_store_helpers LABELS store unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HelpersTest.cpp
  DEPS tovrel_store Qt6::Core)
