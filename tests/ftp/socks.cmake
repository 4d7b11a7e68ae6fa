# SOCKS client: handshakes against scripted replies (unit) and through real
# proxies started on loopback (integration).
tovrel_test(test_ftp_socks_handshake LABELS ftp unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SocksHandshakeTest.cpp
  DEPS tovrel_ftp)

tovrel_test(test_ftp_socks_proxy LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SocksProxyTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/SocksTestServers.cpp
  DEPS tovrel_ftp Threads::Threads)
