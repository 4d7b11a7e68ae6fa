# The parse-listing command is tested on its own source: it needs only the
# listing parsers, not the rest of the command-line program.
tovrel_test(test_listparse_cli LABELS listparse unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ListingCommandsTest.cpp
          ${PROJECT_SOURCE_DIR}/src/cli/ListingCommands.cpp
  DEPS tovrel_listparse)
