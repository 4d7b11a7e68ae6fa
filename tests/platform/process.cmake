tovrel_test(test_platform_process LABELS platform unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProcessTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/QtThreadsTsan.cpp
  DEPS tovrel_platform Qt6::Core Qt6::DBus)
tovrel_test(test_platform_remoteediting LABELS platform integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RemoteEditingTest.cpp
          ${PROJECT_SOURCE_DIR}/tests/queue/QueueHarness.cpp
  DEPS tovrel_platform tovrel_testservers Qt6::Core)
# Passwords in a real secret service on a private session bus (started by
# the cases themselves).
tovrel_test(test_platform_keyring LABELS platform integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/KeyringTest.cpp
  DEPS tovrel_platform Qt6::Core Qt6::DBus)
