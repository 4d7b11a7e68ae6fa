tovrel_test(test_hosts_password LABELS hosts unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/PasswordProtectionTest.cpp
  DEPS tovrel_hosts)
tovrel_test(test_hosts_host LABELS hosts unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HostTest.cpp
  DEPS tovrel_hosts Qt6::Core)
tovrel_test(test_hosts_hosts LABELS hosts unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HostsTest.cpp ${CMAKE_CURRENT_LIST_DIR}/QuickHostsTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/TrustedCertificatesTest.cpp
  DEPS tovrel_hosts Qt6::Core)
tovrel_test(test_hosts_filters LABELS hosts unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/FiltersTest.cpp ${CMAKE_CURRENT_LIST_DIR}/FileTransferTypesTest.cpp
  DEPS tovrel_hosts Qt6::Core)
tovrel_test(test_hosts_siteimport LABELS hosts unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SiteImportTest.cpp
  DEPS tovrel_hosts Qt6::Core)
