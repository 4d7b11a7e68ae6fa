# Arbitrary bytes through listing detection and every listing parser.
tovrel_fuzzer(fuzz_listing SOURCES ${CMAKE_CURRENT_LIST_DIR}/ListingFuzzer.cpp
  DEPS tovrel_listparse)
