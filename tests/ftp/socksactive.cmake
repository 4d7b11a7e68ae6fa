# Active-mode data connections through real SOCKS proxies (dante with BIND,
# microsocks without).
tovrel_test(test_ftp_socks_active LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EngineSocksActiveTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/SocksTestServers.cpp
  DEPS tovrel_ftp tovrel_testservers Threads::Threads)
