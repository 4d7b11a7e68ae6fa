tovrel_test(test_app_startup LABELS app integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/StartupTest.cpp
  DEPS tovrel_store Qt6::Core)
target_compile_definitions(test_app_startup PRIVATE TOVREL_APP_PATH="$<TARGET_FILE:tovrel-ftp>")
add_dependencies(test_app_startup tovrel-ftp)

tovrel_test(test_app_handoff LABELS app integration
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HandOffProgramTest.cpp
  DEPS tovrel_testservers tovrel_store Qt6::Core)
target_compile_definitions(test_app_handoff PRIVATE TOVREL_APP_PATH="$<TARGET_FILE:tovrel-ftp>")
add_dependencies(test_app_handoff tovrel-ftp)
