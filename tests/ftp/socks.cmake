# SOCKS client: handshakes against scripted replies (unit) and through real
# proxies started on loopback (integration). Built from their own sources so
# the tests do not depend on the rest of the engine.
set(tovrel_socks_sources
  ${PROJECT_SOURCE_DIR}/src/ftp/SocksInfo.cpp
  ${PROJECT_SOURCE_DIR}/src/ftp/SocksChannel.cpp)

tovrel_test(test_ftp_socks_handshake LABELS ftp unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SocksHandshakeTest.cpp ${tovrel_socks_sources})

tovrel_test(test_ftp_socks_proxy LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SocksProxyTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/SocksTestServers.cpp
          ${tovrel_socks_sources}
  DEPS Threads::Threads)
