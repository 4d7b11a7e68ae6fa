if(TARGET tovrel-ftp-cli)
  tovrel_test(test_cli_session LABELS cli integration
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CliSessionTest.cpp
    DEPS tovrel_hosts tovrel_platform tovrel_testservers Qt6::DBus)
  target_compile_definitions(test_cli_session PRIVATE TOVREL_CLI="$<TARGET_FILE:tovrel-ftp-cli>")
  add_dependencies(test_cli_session tovrel-ftp-cli)
endif()
