find_package(Qt6 REQUIRED COMPONENTS Test)

# The properties window and the advanced search, driven by a real browsing
# worker against vsftpd on loopback.
add_library(tovrel_props_session STATIC ${CMAKE_CURRENT_LIST_DIR}/propsSession.cpp)
target_include_directories(tovrel_props_session PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
target_compile_definitions(tovrel_props_session PRIVATE TOVREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
target_link_libraries(tovrel_props_session PUBLIC tovrel_ui tovrel_testservers Qt6::Widgets)
target_compile_options(tovrel_props_session PRIVATE ${TOVREL_WARNINGS})

tovrel_test(test_ui_props LABELS ui integration gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewsGuiApp.cpp
          ${CMAKE_CURRENT_LIST_DIR}/propsTest.cpp
  DEPS tovrel_props_session Qt6::Test)
tovrel_test(test_ui_search LABELS ui integration gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewsGuiApp.cpp
          ${CMAKE_CURRENT_LIST_DIR}/searchTest.cpp
  DEPS tovrel_props_session Qt6::Test)

# Not a test: scripts/screenshot runs it to picture the two windows.
add_executable(tovrel-ftp-props-screenshot ${CMAKE_CURRENT_LIST_DIR}/propsScreenshot.cpp)
target_link_libraries(tovrel-ftp-props-screenshot PRIVATE tovrel_props_session)
target_compile_options(tovrel-ftp-props-screenshot PRIVATE ${TOVREL_WARNINGS})
add_dependencies(tovrel-ftp-props-screenshot tovrel_shipped_data)

# Both windows opened from the main window's actions.
tovrel_test(test_ui_props_mainform LABELS ui integration gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/propsMainFormTest.cpp
  DEPS tovrel_mainform_harness Qt6::Test)
add_dependencies(test_ui_props_mainform tovrel_shipped_data)
