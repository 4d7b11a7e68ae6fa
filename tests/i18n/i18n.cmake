tovrel_test(test_i18n LABELS i18n unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/LanguageFileTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/LanguageManagerTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/FormatTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/StringTableTest.cpp
  DEPS tovrel_i18n Qt6::Core)
# The shipped language files are read from the build tree's copy.
add_dependencies(test_i18n tovrel_shipped_data)
