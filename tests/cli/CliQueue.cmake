if(TARGET tovrel-ftp-cli)
  tovrel_test(test_cli_queue LABELS cli integration
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CliQueueTest.cpp
    DEPS tovrel_testservers tovrel_hosts)
  target_compile_definitions(test_cli_queue PRIVATE TOVREL_CLI="$<TARGET_FILE:tovrel-ftp-cli>")
  add_dependencies(test_cli_queue tovrel-ftp-cli)
endif()
