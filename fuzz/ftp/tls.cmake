tovrel_fuzzer(fuzz_tls_handshake
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TLSHandshakeFuzzer.cpp
  DEPS tovrel_ftp Threads::Threads)
