# TLS transport: handshakes, sessions and certificates against
# "openssl s_server" and small in-test servers on loopback. Built from its own
# sources so the test does not depend on the rest of the engine.
set(tovrel_tls_sources
  ${PROJECT_SOURCE_DIR}/src/ftp/SSLContext.cpp
  ${PROJECT_SOURCE_DIR}/src/ftp/SSLSocket.cpp
  ${PROJECT_SOURCE_DIR}/src/ftp/PeerCertificate.cpp)

tovrel_test(test_ftp_tls LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TLSTransportTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/TLSTestSupport.cpp
          ${tovrel_tls_sources}
  DEPS OpenSSL::SSL OpenSSL::Crypto Threads::Threads)
