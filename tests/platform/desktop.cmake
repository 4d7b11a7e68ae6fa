tovrel_test(test_platform_desktop LABELS platform unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/DesktopFileTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/DesktopSwitchesTest.cpp
  DEPS tovrel_platform Qt6::Core)
