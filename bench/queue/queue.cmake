# Queue bookkeeping (100 000 and 200 000 items through stand-in transfer
# threads) and saving and loading a 100 000-item queue file.
tovrel_executable(bench_queue
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/QueueBench.cpp
  DEPS tovrel_queue benchmark::benchmark)
