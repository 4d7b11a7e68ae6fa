# TLS transport: handshakes, sessions and certificates against
# "openssl s_server" and small in-test servers on loopback. Built from its own
# sources so the test does not depend on the rest of the engine.
set(tovrel_tls_sources
  ${PROJECT_SOURCE_DIR}/src/ftp/SSLContext.cpp
  ${PROJECT_SOURCE_DIR}/src/ftp/SSLSocket.cpp
  ${PROJECT_SOURCE_DIR}/src/ftp/PeerCertificate.cpp
  ${PROJECT_SOURCE_DIR}/src/ftp/IdExceptions.cpp)

tovrel_test(test_ftp_tls LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TLSTransportTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/TLSTestSupport.cpp
          ${tovrel_tls_sources}
  DEPS OpenSSL::SSL OpenSSL::Crypto Threads::Threads)

# The TLS transport under the engine's socket transport, against vsftpd.
tovrel_test(test_ftp_tls_iohandler LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TLSIOHandlerTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/TLSTestSupport.cpp
          ${tovrel_tls_sources}
          ${PROJECT_SOURCE_DIR}/src/ftp/SSLIOHandlerSocketOpenSSL.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/IOHandler.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/IOHandlerStack.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/SocksInfo.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/SocksChannel.cpp
  DEPS OpenSSL::SSL OpenSSL::Crypto Threads::Threads)

# The engine over the TLS transport, end to end against vsftpd.
tovrel_test(test_ftp_tls_engine LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TLSEngineTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/TLSTestSupport.cpp
  DEPS tovrel_ftp Threads::Threads)
