# Coverage-guided fuzz targets (libFuzzer, clang only), built with AddressSanitizer and
# UndefinedBehaviorSanitizer: one executable per tests/fuzz/*_fuzz.cpp, linked with the
# portable core and the in-memory fakes of the seams. scripts/fuzz runs them.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "TOLVANE_FUZZ needs clang (CMAKE_CXX_COMPILER=clang++)")
endif()
target_compile_options(tolvane_room_flags INTERFACE -fsanitize=fuzzer-no-link)
file(GLOB TOLVANE_FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
file(GLOB TOLVANE_FAKES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/fake_*.cpp)
foreach(src ${TOLVANE_FUZZ_TARGETS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src} ${TOLVANE_FAKES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/unit ${CMAKE_SOURCE_DIR}/tests/fuzz
    ${CMAKE_SOURCE_DIR}/tests/hive)
  target_link_libraries(${name} PRIVATE tolvane_core tolvane_everything)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  if(name STREQUAL "hive_fuzz")
    target_link_libraries(${name} PRIVATE tolvane_list_core tolvane_hive hivex)
  endif()
endforeach()
