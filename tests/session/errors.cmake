tovrel_test(test_session_errors LABELS session unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/errorsTextsTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/errorsMappingTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/errorsPendingTest.cpp
  DEPS tovrel_session Qt6::Core)
# The German texts are read from the build tree's copy of the language files.
add_dependencies(test_session_errors tovrel_shipped_data)
