tovrel_test(test_queue_manager LABELS queue unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/QueueHarness.cpp
          ${CMAKE_CURRENT_LIST_DIR}/queueManagerTest.cpp
  DEPS tovrel_queue tovrel_testservers Qt6::Core)
