find_package(Qt6 REQUIRED COMPONENTS Test)

# The bookmark and filter editors and the tip window on the off-screen
# platform, with their files in a temporary data directory.
tovrel_test(test_ui_editors LABELS ui gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewsGuiApp.cpp
          ${CMAKE_CURRENT_LIST_DIR}/editorsTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/editorsTipsTest.cpp
  DEPS tovrel_ui Qt6::Test)
# The German texts and the shipped tips are read from the build tree's copy.
add_dependencies(test_ui_editors tovrel_shipped_data)

# Not a test: scripts/screenshot runs it to picture the editors.
add_executable(tovrel-ftp-editors-screenshot ${CMAKE_CURRENT_LIST_DIR}/editorsScreenshot.cpp)
target_include_directories(tovrel-ftp-editors-screenshot PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(tovrel-ftp-editors-screenshot PRIVATE tovrel_ui Qt6::Widgets)
target_compile_options(tovrel-ftp-editors-screenshot PRIVATE ${TOVREL_WARNINGS})
add_dependencies(tovrel-ftp-editors-screenshot tovrel_shipped_data)

# The editors reached from the main window, connected to vsftpd on loopback.
tovrel_test(test_ui_editors_main LABELS ui integration gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/editorsMainTest.cpp
  DEPS tovrel_mainform_harness Qt6::Test)
add_dependencies(test_ui_editors_main tovrel_shipped_data)
