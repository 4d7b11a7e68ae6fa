# A TLS host through the browsing worker, against vsftpd with TLS.
tovrel_test(test_session_worker_tls LABELS session integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/WorkerHarness.cpp
          ${CMAKE_CURRENT_LIST_DIR}/workerTlsTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/workerTrustTest.cpp
  DEPS tovrel_session tovrel_testservers)
