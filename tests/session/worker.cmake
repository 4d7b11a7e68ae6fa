tovrel_test(test_session_worker LABELS session integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/WorkerHarness.cpp
          ${CMAKE_CURRENT_LIST_DIR}/workerBrowseTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/workerRemoteOpsTest.cpp
  DEPS tovrel_session tovrel_testservers)
tovrel_test(test_session_worker_unit LABELS session unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/workerDispatcherTest.cpp
  DEPS tovrel_session)
