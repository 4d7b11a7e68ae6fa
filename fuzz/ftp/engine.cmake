tovrel_fuzzer(fuzz_ftp_reply SOURCES ${CMAKE_CURRENT_LIST_DIR}/ReplyFuzz.cpp DEPS tovrel_ftp)
tovrel_fuzzer(fuzz_ftp_pasv SOURCES ${CMAKE_CURRENT_LIST_DIR}/PasvFuzz.cpp DEPS tovrel_ftp)
tovrel_fuzzer(fuzz_ftp_feat SOURCES ${CMAKE_CURRENT_LIST_DIR}/FeatFuzz.cpp DEPS tovrel_ftp)
