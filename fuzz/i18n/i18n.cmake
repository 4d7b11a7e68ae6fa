tovrel_fuzzer(fuzz_language_file
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/LanguageFileFuzzer.cpp
  DEPS tovrel_i18n)
