tovrel_test(test_integration_install LABELS integration integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/InstallTest.cpp
  DEPS tovrel_platform Qt6::Core)
target_compile_definitions(test_integration_install PRIVATE TOVREL_CMAKE="${CMAKE_COMMAND}")
