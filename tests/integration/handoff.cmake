tovrel_executable(tovrel_handoff_probe
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HandOffProbe.cpp
  DEPS tovrel_integration)
tovrel_test(test_integration_handoff LABELS integration unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HandOffMessageTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/HandOffSocketTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/HandOffRequestsTest.cpp
          ${PROJECT_SOURCE_DIR}/tests/queue/QueueHarness.cpp
  DEPS tovrel_integration tovrel_testservers)
tovrel_test(test_integration_handoff_processes LABELS integration integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HandOffProcessTest.cpp
  DEPS Qt6::Core)
target_compile_definitions(test_integration_handoff_processes PRIVATE
  TOVREL_HANDOFF_PROBE="$<TARGET_FILE:tovrel_handoff_probe>")
add_dependencies(test_integration_handoff_processes tovrel_handoff_probe)
