tovrel_test(test_i18n_tips LABELS i18n unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TipsTest.cpp
  DEPS tovrel_i18n)
