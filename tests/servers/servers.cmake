# Real FTP servers on loopback for tests of every layer.
add_library(tovrel_testservers STATIC
  ${CMAKE_CURRENT_LIST_DIR}/TestServers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScriptedFtpServer.cpp)
target_include_directories(tovrel_testservers PUBLIC ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tovrel_testservers PUBLIC Threads::Threads PRIVATE OpenSSL::SSL OpenSSL::Crypto)
target_compile_options(tovrel_testservers PRIVATE ${TOVREL_WARNINGS})
target_compile_definitions(tovrel_testservers PRIVATE
  TOVREL_SERVERS_DIR="${CMAKE_CURRENT_LIST_DIR}")
