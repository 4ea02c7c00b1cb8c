# Native build: the portable core and its unit tests, under AddressSanitizer and
# UndefinedBehaviorSanitizer.
find_package(GTest REQUIRED)
include(GoogleTest)

set(TOLVANE_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_compile_options(tolvane_core PUBLIC ${TOLVANE_SANITIZE})
target_link_options(tolvane_core PUBLIC ${TOLVANE_SANITIZE})

file(GLOB TOLVANE_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${TOLVANE_UNIT_TESTS})
target_link_libraries(unit_tests PRIVATE tolvane_core GTest::gtest GTest::gtest_main)
target_include_directories(unit_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/unit)
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60)

# Native benchmarks: built without sanitizers so they measure the code, not the checks.
file(GLOB TOLVANE_NATIVE_BENCH CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/native_*.cpp)
if(TOLVANE_NATIVE_BENCH)
  add_library(tolvane_core_fast STATIC ${TOLVANE_CORE_SOURCES})
  target_include_directories(tolvane_core_fast PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests/unit)
  target_compile_options(tolvane_core_fast PRIVATE -O2)
  # The fakes of the seams, so a benchmark can time the core without the platform.
  file(GLOB TOLVANE_FAKES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/fake_*.cpp)
  foreach(src ${TOLVANE_NATIVE_BENCH})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src} ${TOLVANE_FAKES})
    target_compile_options(${name} PRIVATE -O2)
    target_link_libraries(${name} PRIVATE tolvane_core_fast)
  endforeach()
endif()

option(TOLVANE_FUZZ "Build the libFuzzer targets in tests/fuzz (clang)" OFF)
if(TOLVANE_FUZZ)
  include(cmake/fuzz.cmake)
endif()
