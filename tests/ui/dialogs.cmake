find_package(Qt6 REQUIRED COMPONENTS Test)

# The quick connect window and the host manager on the off-screen
# platform, with the history in a temporary data directory.
tovrel_test(test_ui_dialogs LABELS ui gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewsGuiApp.cpp
          ${CMAKE_CURRENT_LIST_DIR}/dialogsQuickConnectTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/dialogsHostManagerTest.cpp
  DEPS tovrel_ui Qt6::Test)

# The host manager with a real secret service on a private session bus.
tovrel_test(test_ui_keyring LABELS ui gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewsGuiApp.cpp
          ${CMAKE_CURRENT_LIST_DIR}/dialogsKeyringTest.cpp
  DEPS tovrel_ui Qt6::Test Qt6::DBus)

# Not a test: scripts/screenshot runs it to picture the dialogs.
add_executable(tovrel-ftp-dialogs-screenshot ${CMAKE_CURRENT_LIST_DIR}/dialogsScreenshot.cpp)
target_include_directories(tovrel-ftp-dialogs-screenshot PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tovrel-ftp-dialogs-screenshot PRIVATE tovrel_ui Qt6::Widgets)
target_compile_options(tovrel-ftp-dialogs-screenshot PRIVATE ${TOVREL_WARNINGS})
add_dependencies(tovrel-ftp-dialogs-screenshot tovrel_shipped_data)
