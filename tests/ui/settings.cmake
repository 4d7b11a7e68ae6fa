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
