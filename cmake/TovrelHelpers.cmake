# Shared build rules for the project's own targets.
include(GoogleTest)

set(TOVREL_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
    -Wold-style-cast -Wcast-align -Woverloaded-virtual
    -Wimplicit-fallthrough -Werror)
# GCC 12 reports overlapping memcpy inside std::string concatenation at -O2
# and above (a false positive in its own headers), which would break every
# optimised build.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  list(APPEND TOVREL_WARNINGS -Wno-restrict)
endif()

# tovrel_library(<name> [STATIC|INTERFACE] SOURCES ... DEPS ...)
# A layer's library. Our warnings apply to our own sources only.
function(tovrel_library name)
  cmake_parse_arguments(ARG "INTERFACE" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  if(ARG_INTERFACE OR NOT ARG_SOURCES)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  target_compile_options(${name} PRIVATE ${TOVREL_WARNINGS})
endfunction()

# tovrel_executable(<name> SOURCES ... DEPS ...)
function(tovrel_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  target_compile_options(${name} PRIVATE ${TOVREL_WARNINGS})
endfunction()

# tovrel_test(<name> LABELS <layer> <kind> SOURCES ... DEPS ... [TIMEOUT s])
# One GoogleTest executable, registered with CTest as one test per test case
# so that a failure names the case. Labels: the layer and the kind
# (unit, integration, gui).
function(tovrel_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "LABELS;SOURCES;DEPS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_options(${name} PRIVATE ${TOVREL_WARNINGS})
  target_compile_definitions(${name} PRIVATE
    TOVREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TOVREL_BINARY_DIR="${PROJECT_BINARY_DIR}"
    TOVREL_FIXTURES_DIR="${PROJECT_SOURCE_DIR}/tests/fixtures")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES TIMEOUT ${ARG_TIMEOUT}
    DISCOVERY_TIMEOUT 60)
  # gtest_discover_tests() keeps only the first value of a list property, so
  # the labels are set by a script CTest runs after the discovered tests.
  set(labels_script "${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake")
  file(WRITE "${labels_script}"
    "if(DEFINED ${name}_TESTS)\n"
    "  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${ARG_LABELS}\")\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${labels_script}")
endfunction()

# tovrel_fuzzer(<name> SOURCES ... DEPS ...): a libFuzzer harness.
function(tovrel_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY TOVREL_FUZZERS ${name})
endfunction()
