# The remote list and the log pane with 100 000 entries and lines: seconds
# to list and show, to re-sort, peak memory, event-loop stalls (desktop
# program and test servers only).
if(TARGET tovrel_ui AND TARGET tovrel_testservers)
  tovrel_executable(bench_ui
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/UiBench.cpp
    DEPS tovrel_ui tovrel_testservers)
endif()
