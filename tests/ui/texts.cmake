# Every window's texts in both shipped languages, switched while it is open.
tovrel_test(test_ui_texts LABELS ui gui
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/viewsGuiApp.cpp
          ${CMAKE_CURRENT_LIST_DIR}/textsLanguageTest.cpp
  DEPS tovrel_ui)
