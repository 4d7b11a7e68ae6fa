# The queue page with 100 000 rows: adding them, one 250 ms refresh pass
# over the visible rows, scrolling through the list, peak memory.
if(TARGET tovrel_ui)
  tovrel_executable(bench_queueview
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/QueueViewBench.cpp
    DEPS tovrel_ui)
endif()
