tovrel_fuzzer(fuzz_tls_handshake
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TLSHandshakeFuzzer.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/SSLContext.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/SSLSocket.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/PeerCertificate.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/IdExceptions.cpp
  DEPS OpenSSL::SSL OpenSSL::Crypto Threads::Threads)
