# Tip files and the RTF tip texts.
tovrel_fuzzer(fuzz_tips
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TipsFuzzer.cpp
  DEPS tovrel_i18n)
