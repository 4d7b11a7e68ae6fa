tovrel_test(test_queue_existing_file LABELS queue unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ExistingFileRoundTest.cpp
  DEPS tovrel_queue Qt6::Core)
