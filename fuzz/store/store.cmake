tovrel_fuzzer(fuzz_store_loader SOURCES ${CMAKE_CURRENT_LIST_DIR}/StoreLoaderFuzzer.cpp
  DEPS tovrel_store Qt6::Core)
