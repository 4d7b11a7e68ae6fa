# Drag and drop on the panes and the drags out of them: drops built from
# QMimeData and sent to the real widgets off screen, against vsftpd.
find_package(Qt6 REQUIRED COMPONENTS Test)
tovrel_test(test_ui_dragdrop LABELS ui gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/dragdropTest.cpp
  DEPS tovrel_mainform_harness Qt6::Test)
add_dependencies(test_ui_dragdrop tovrel_shipped_data)
