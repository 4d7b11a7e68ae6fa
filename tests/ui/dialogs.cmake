find_package(Qt6 REQUIRED COMPONENTS Test)

# The quick connect window and the host manager on the off-screen
# platform, with the history in a temporary data directory.
tovrel_test(test_ui_dialogs LABELS ui gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewsGuiApp.cpp
          ${CMAKE_CURRENT_LIST_DIR}/dialogsQuickConnectTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/dialogsHostManagerTest.cpp
  DEPS tovrel_ui Qt6::Test)
