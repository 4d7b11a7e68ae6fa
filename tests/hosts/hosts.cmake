tovrel_test(test_hosts_password LABELS hosts unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PasswordProtectionTest.cpp
  DEPS tovrel_hosts)
