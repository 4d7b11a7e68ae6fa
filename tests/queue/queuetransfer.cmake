tovrel_test(test_queue_transfer LABELS queue integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/QueueHarness.cpp
          ${CMAKE_CURRENT_LIST_DIR}/FakeFtpServer.cpp
          ${CMAKE_CURRENT_LIST_DIR}/queueFailureTest.cpp
  DEPS tovrel_queue tovrel_testservers Qt6::Core)
tovrel_test(test_queue_servers LABELS queue integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/QueueHarness.cpp
          ${CMAKE_CURRENT_LIST_DIR}/queueServersTest.cpp
  DEPS tovrel_queue tovrel_testservers Qt6::Core)
