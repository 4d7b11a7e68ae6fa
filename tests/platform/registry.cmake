tovrel_test(test_platform_registry LABELS platform unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RegistryTest.cpp
  DEPS tovrel_registry Qt6::Core)
