if(TARGET tovrel-ftp-cli)
  tovrel_test(test_cli_listing LABELS cli integration
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CliListingTest.cpp
    DEPS tovrel_testservers)
  target_compile_definitions(test_cli_listing PRIVATE TOVREL_CLI="$<TARGET_FILE:tovrel-ftp-cli>")
  add_dependencies(test_cli_listing tovrel-ftp-cli)
endif()
