find_package(Qt6 REQUIRED COMPONENTS Test)

# The settings window and the first-run wizard on the off-screen platform,
# with the settings and the transfer-type table in a temporary data
# directory and the shipped German language file from the build tree.
tovrel_test(test_ui_settings LABELS ui gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewsGuiApp.cpp
          ${CMAKE_CURRENT_LIST_DIR}/settingsFormTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/settingsTypeTableTest.cpp
  DEPS tovrel_ui Qt6::Test)
add_dependencies(test_ui_settings tovrel_shipped_data)

# The wizard as the main window runs it at the first start.
tovrel_test(test_ui_settings_firstrun LABELS ui gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/settingsFirstRunTest.cpp
  DEPS tovrel_mainform_harness Qt6::Test)
add_dependencies(test_ui_settings_firstrun tovrel_shipped_data)

# Not a test: scripts/screenshot runs it to picture both windows.
add_executable(tovrel-ftp-settings-screenshot ${CMAKE_CURRENT_LIST_DIR}/settingsScreenshot.cpp)
target_link_libraries(tovrel-ftp-settings-screenshot PRIVATE tovrel_ui)
target_include_directories(tovrel-ftp-settings-screenshot PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
target_compile_options(tovrel-ftp-settings-screenshot PRIVATE ${TOVREL_WARNINGS})
target_compile_definitions(tovrel-ftp-settings-screenshot PRIVATE TOVREL_BINARY_DIR="${PROJECT_BINARY_DIR}")
add_dependencies(tovrel-ftp-settings-screenshot tovrel_shipped_data)
