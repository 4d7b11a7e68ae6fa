# The main window wired to the desktop (hand-off, update check, remote
# editing), off screen against vsftpd and a loopback web server.
tovrel_test(test_app_desktop LABELS app gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/DesktopWiringTest.cpp
  DEPS tovrel_mainform_harness Qt6::Network)
add_dependencies(test_app_desktop tovrel_shipped_data)
