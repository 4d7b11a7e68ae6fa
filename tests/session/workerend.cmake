tovrel_test(test_session_worker_end LABELS session integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/WorkerHarness.cpp
          ${CMAKE_CURRENT_LIST_DIR}/workerThreadEndTest.cpp
  DEPS tovrel_session tovrel_testservers)
