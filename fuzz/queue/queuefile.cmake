# The queue file loader: arbitrary bytes as "Queue.xml".
tovrel_fuzzer(fuzz_queue_file
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/QueueFileFuzzer.cpp
  DEPS tovrel_queue)
