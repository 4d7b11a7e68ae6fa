# Listing parsers: lines per second, memory per entry, scaling and the cost
# of detection.
tovrel_executable(bench_listparse
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ListParseBench.cpp
  DEPS tovrel_listparse benchmark::benchmark)
