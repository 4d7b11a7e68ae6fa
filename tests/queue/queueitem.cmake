tovrel_test(test_queue_item LABELS queue unit
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/queueitemTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/queueitemFileTest.cpp
  DEPS tovrel_queue Qt6::Core)
# The German status texts are read from the build tree's copy of the language files.
add_dependencies(test_queue_item tovrel_shipped_data)
