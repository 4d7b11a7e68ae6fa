# The main window: real widgets off screen, against vsftpd on loopback.
find_package(Qt6 REQUIRED COMPONENTS Test)
add_library(tovrel_mainform_harness STATIC ${CMAKE_CURRENT_LIST_DIR}/mainformHarness.cpp)
target_include_directories(tovrel_mainform_harness PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(tovrel_mainform_harness PUBLIC tovrel_ui tovrel_testservers Qt6::Widgets)
target_compile_options(tovrel_mainform_harness PRIVATE ${TOVREL_WARNINGS})

tovrel_test(test_ui_mainform LABELS ui gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/mainformWindowTest.cpp
  DEPS tovrel_mainform_harness Qt6::Test)
tovrel_test(test_ui_mainform_session LABELS ui integration gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/mainformSessionTest.cpp
  DEPS tovrel_mainform_harness Qt6::Test)
tovrel_test(test_ui_mainform_trust LABELS ui integration gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/mainformTrustTest.cpp
  DEPS tovrel_mainform_harness Qt6::Test)
add_dependencies(test_ui_mainform tovrel_shipped_data)
add_dependencies(test_ui_mainform_trust tovrel_shipped_data)
add_dependencies(test_ui_mainform_session tovrel_shipped_data)

# Not a test: scripts/screenshot runs it to picture the window.
add_executable(tovrel-ftp-screenshot ${CMAKE_CURRENT_LIST_DIR}/mainformScreenshot.cpp)
target_link_libraries(tovrel-ftp-screenshot PRIVATE tovrel_mainform_harness GTest::gtest)
target_compile_options(tovrel-ftp-screenshot PRIVATE ${TOVREL_WARNINGS})
add_dependencies(tovrel-ftp-screenshot tovrel_shipped_data)
