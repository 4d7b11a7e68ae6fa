find_package(Qt6 REQUIRED COMPONENTS Test)

# The remote list, log pane, status bar and dialogs on the off-screen platform.
tovrel_test(test_ui_views LABELS ui gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewsGuiApp.cpp
          ${CMAKE_CURRENT_LIST_DIR}/viewsModelTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/viewsNavigationTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/viewsLogTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/viewsDialogsTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/viewsWindowTextsTest.cpp
  DEPS tovrel_ui Qt6::Test)

# The views fed by a real browsing worker against vsftpd.
tovrel_test(test_ui_views_worker LABELS ui gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewsGuiApp.cpp
          ${CMAKE_CURRENT_LIST_DIR}/viewsWorkerTest.cpp
  DEPS tovrel_ui tovrel_testservers Qt6::Test)
