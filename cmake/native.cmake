# Native build: the portable core and its unit tests, under AddressSanitizer and
# UndefinedBehaviorSanitizer (the test build); or tolvane-list alone, optimised, unsanitised
# and stripped, to install and package (the release build: scripts/build release).
# (RelWithDebInfo is the fuzz build's: it keeps them.)
if(CMAKE_BUILD_TYPE MATCHES "^(Release|MinSizeRel)$")
  set(tolvane_optimised ON)
else()
  set(tolvane_optimised OFF)
endif()
# The sanitizers are for the tests: an optimised build leaves them out unless asked.
if(tolvane_optimised)
  option(TOLVANE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
else()
  option(TOLVANE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
endif()
option(TOLVANE_TESTS "Build the unit tests and native benchmarks (needs GoogleTest)" ON)

if(TOLVANE_SANITIZE)
  set(tolvane_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  target_compile_options(tolvane_room_flags INTERFACE ${tolvane_sanitize_flags})
  target_link_options(tolvane_room_flags INTERFACE ${tolvane_sanitize_flags})
elseif(tolvane_optimised)
  # Debian's hardening: checked string and memory calls, stack protector, read-only
  # relocations bound at start-up (the compiler makes position-independent executables).
  target_compile_definitions(tolvane_room_flags INTERFACE _FORTIFY_SOURCE=2)
  target_compile_options(tolvane_room_flags INTERFACE -fstack-protector-strong)
  target_link_options(tolvane_room_flags INTERFACE -Wl,-z,relro,-z,now)
endif()

# The hive room reads a large hive file in two halves at once.
find_package(Threads REQUIRED)
target_link_libraries(tolvane_hive PUBLIC Threads::Threads)

# tolvane-list over hive files.
add_executable(tolvane-list ${CMAKE_SOURCE_DIR}/cli/hive_main.cpp)
target_link_libraries(tolvane-list PRIVATE tolvane_list_core)
if(tolvane_optimised)
  target_link_options(tolvane-list PRIVATE -s)
endif()
include(cmake/install.cmake)
# Bad input, the options and the formats, end to end (hives made by tests/hive/hive_lib.sh),
# in the release build too.
add_test(NAME list_hive COMMAND bash ${CMAKE_SOURCE_DIR}/tests/hive/test_list_hive.sh
  $<TARGET_FILE:tolvane-list>)

if(NOT TOLVANE_TESTS)
  return()
endif()
find_package(GTest REQUIRED)
include(GoogleTest)

# libhivex as the oracle of the hive reader: the end-to-end test compares both on every hive
# it makes.
add_executable(hive_oracle ${CMAKE_SOURCE_DIR}/tests/hive/hive_oracle.cpp)
target_link_libraries(hive_oracle PRIVATE tolvane_hive tolvane_everything hivex)
set_tests_properties(list_hive PROPERTIES
  ENVIRONMENT TOLVANE_HIVE_ORACLE=$<TARGET_FILE:hive_oracle>)

file(GLOB TOLVANE_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${TOLVANE_UNIT_TESTS})
target_link_libraries(unit_tests PRIVATE tolvane_core tolvane_list_core tolvane_hive
  tolvane_everything GTest::gtest GTest::gtest_main)
target_include_directories(unit_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/unit)
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60)

# Native benchmarks: built without sanitizers so they measure the code, not the checks.
file(GLOB TOLVANE_NATIVE_BENCH CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/native_*.cpp)
if(TOLVANE_NATIVE_BENCH)
  add_library(tolvane_core_fast STATIC ${TOLVANE_CORE_SOURCES})
  target_include_directories(tolvane_core_fast PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests/unit)
  target_compile_options(tolvane_core_fast PRIVATE -O2)
  target_link_libraries(tolvane_core_fast PUBLIC Threads::Threads)
  # The fakes of the seams, so a benchmark can time the core without the platform.
  file(GLOB TOLVANE_FAKES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/fake_*.cpp)
  foreach(src ${TOLVANE_NATIVE_BENCH})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src} ${TOLVANE_FAKES})
    target_compile_options(${name} PRIVATE -O2)
    target_link_libraries(${name} PRIVATE tolvane_core_fast)
  endforeach()
  # tolvane-list's records against a bare walk of the same keys and values through hivex.
  add_executable(hive_list_bench ${CMAKE_SOURCE_DIR}/bench/hive_list_bench.cpp
    ${TOLVANE_LIST_SOURCES})
  target_compile_options(hive_list_bench PRIVATE -O2)
  target_link_libraries(hive_list_bench PRIVATE tolvane_core_fast hivex)
  # What tolvane-list cannot go below: reading the hive into memory of its own, nothing else.
  add_executable(read_floor ${CMAKE_SOURCE_DIR}/bench/read_floor.cpp)
  target_compile_options(read_floor PRIVATE -O2)
  target_link_libraries(read_floor PRIVATE tolvane_core_fast)
  # That and the least walk of the records' keys and values over the hive's cells.
  add_executable(cells_floor ${CMAKE_SOURCE_DIR}/bench/cells_floor.cpp)
  target_compile_options(cells_floor PRIVATE -O2)
  target_link_libraries(cells_floor PRIVATE tolvane_core_fast)
  # The timeline and the diff against the views and listings they are made of.
  add_executable(timeline_bench ${CMAKE_SOURCE_DIR}/bench/timeline_bench.cpp
    ${TOLVANE_LIST_SOURCES} ${TOLVANE_HIVE_SOURCES})
  target_compile_options(timeline_bench PRIVATE -O2)
  target_link_libraries(timeline_bench PRIVATE tolvane_core_fast hivex)
endif()

option(TOLVANE_FUZZ "Build the libFuzzer targets in tests/fuzz (clang)" OFF)
if(TOLVANE_FUZZ)
  include(cmake/fuzz.cmake)
endif()
