tovrel_fuzzer(fuzz_socks_reply
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SocksReplyFuzzer.cpp
  DEPS tovrel_ftp)
