# TLS transport: handshakes, sessions and certificates against
# "openssl s_server" and small in-test servers on loopback.
tovrel_test(test_ftp_tls LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TLSTransportTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/TLSTestSupport.cpp
  DEPS tovrel_ftp Threads::Threads)

# The TLS transport under the engine's socket transport, against vsftpd.
tovrel_test(test_ftp_tls_iohandler LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TLSIOHandlerTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/TLSTestSupport.cpp
  DEPS tovrel_ftp Threads::Threads)

# The engine over the TLS transport, end to end against vsftpd.
tovrel_test(test_ftp_tls_engine LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TLSEngineTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/TLSTestSupport.cpp
  DEPS tovrel_ftp Threads::Threads)

# TLS negotiation against a scripted server: refused AUTH in each mode, a
# failed handshake after 234, implicit TLS, a refused "PROT P".
tovrel_test(test_ftp_tls_negotiation LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TLSNegotiationTest.cpp
  DEPS tovrel_ftp tovrel_testservers)

# The engine with explicit TLS against vsftpd, pyftpdlib and proftpd.
tovrel_test(test_ftp_tls_servers LABELS ftp integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TLSServersTest.cpp
  DEPS tovrel_ftp tovrel_testservers)

# The engine's error classes: one root for TLS, SOCKS and one-time passwords.
tovrel_test(test_ftp_exception_tree LABELS ftp unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TLSExceptionTreeTest.cpp
  DEPS tovrel_ftp)
