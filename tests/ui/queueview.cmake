# The queue page, its commands, drops and the "File already exists" dialog:
# real widgets off screen, against vsftpd on loopback.
find_package(Qt6 REQUIRED COMPONENTS Test)
tovrel_test(test_ui_queueview LABELS ui gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/queueviewTest.cpp
  DEPS tovrel_mainform_harness Qt6::Test)
add_dependencies(test_ui_queueview tovrel_shipped_data)
