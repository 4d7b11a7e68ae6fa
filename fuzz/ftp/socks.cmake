tovrel_fuzzer(fuzz_socks_reply
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SocksReplyFuzzer.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/SocksInfo.cpp
          ${PROJECT_SOURCE_DIR}/src/ftp/SocksChannel.cpp)
