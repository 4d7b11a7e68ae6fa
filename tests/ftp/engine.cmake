tovrel_test(test_ftp_reply LABELS ftp unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ReplyTest.cpp
  DEPS tovrel_ftp)
tovrel_test(test_ftp_scripted LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EngineScriptedTest.cpp
  DEPS tovrel_ftp tovrel_testservers)
tovrel_test(test_ftp_servers LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EngineServersTest.cpp
  DEPS tovrel_ftp tovrel_testservers)
tovrel_test(test_ftp_socks_e2e LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EngineSocksTest.cpp
  DEPS tovrel_ftp tovrel_testservers)
