tovrel_test(test_session_worker_edge LABELS session integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/WorkerHarness.cpp
          ${CMAKE_CURRENT_LIST_DIR}/workerEdgeTest.cpp
  DEPS tovrel_session tovrel_testservers)
