# Hand-off connections and command lines: arbitrary bytes.
tovrel_fuzzer(fuzz_handoff
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HandOffFuzzer.cpp
  DEPS tovrel_integration)
