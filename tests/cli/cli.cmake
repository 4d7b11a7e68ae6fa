if(TARGET tovrel-ftp-cli)
  tovrel_test(test_cli_ftp LABELS cli integration
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CliTest.cpp ${PROJECT_SOURCE_DIR}/src/cli/CliOptions.cpp
    DEPS tovrel_ftp tovrel_store tovrel_testservers)
  target_compile_definitions(test_cli_ftp PRIVATE TOVREL_CLI="$<TARGET_FILE:tovrel-ftp-cli>")
  add_dependencies(test_cli_ftp tovrel-ftp-cli)
endif()
