if(TARGET tovrel-ftp-cli)
  tovrel_test(test_cli_tls LABELS cli integration
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CliTlsTest.cpp
            ${PROJECT_SOURCE_DIR}/tests/ftp/TLSTestSupport.cpp
    DEPS tovrel_testservers tovrel_hosts)
  target_compile_definitions(test_cli_tls PRIVATE TOVREL_CLI="$<TARGET_FILE:tovrel-ftp-cli>")
  add_dependencies(test_cli_tls tovrel-ftp-cli)
endif()
