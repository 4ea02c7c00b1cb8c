# Windows build (mingw-w64): the program, the Windows-side tests and the Windows benchmarks.
# Tests run through CMAKE_CROSSCOMPILING_EMULATOR (wine) in the scratch prefix that
# scripts/test creates under the build folder.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)

# Every room with its Windows back ends, and the system DLLs they call.
add_library(tolvane_win32 INTERFACE)
target_link_libraries(tolvane_win32 INTERFACE tolvane_core
  comctl32 comdlg32 shell32 gdi32 user32 advapi32 winspool)

file(GLOB TOLVANE_RESOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.rc)
add_executable(tolvane WIN32 ${CMAKE_SOURCE_DIR}/ui/win32_main.cpp ${TOLVANE_RESOURCES})
target_link_libraries(tolvane PRIVATE tolvane_win32)
# The resource script names its files from the repository root; the C++ sources do not see it.
set(TOLVANE_RC_ROOT $<$<COMPILE_LANGUAGE:RC>:${CMAKE_SOURCE_DIR}>)
target_include_directories(tolvane PRIVATE ${TOLVANE_RC_ROOT})
set_target_properties(tolvane PROPERTIES OUTPUT_NAME tolvane)
target_link_options(tolvane PRIVATE -s)
# tolvane-list.exe: the same scan for scripts, a console program over the same back ends.
add_executable(tolvane-list ${TOLVANE_LIST_WIN32_SOURCES})
target_link_libraries(tolvane-list PRIVATE tolvane_list_core tolvane_output tolvane_inventory
  tolvane_common advapi32 gdi32 winspool comdlg32 user32)
target_link_options(tolvane-list PRIVATE -s)
# The images the resource script names are drawn at build time: cmake/resources.cmake adds
# that step to the tolvane target.
include(cmake/resources.cmake OPTIONAL)

# GoogleTest cross-built from the system's sources.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# The win32 thread model's runtime has no std::mutex, on which GoogleTest builds the one
# class it needs it for: every file that includes GoogleTest gets a Win32 one first.
target_compile_options(gtest PUBLIC
  -include ${CMAKE_SOURCE_DIR}/tests/windows/win32_gtest_notification.h)

set(TOLVANE_PRINT_JOBS ${CMAKE_BINARY_DIR}/print-jobs)
set(TOLVANE_TEST_ENV
  WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all
  TOLVANE_EXE=${CMAKE_BINARY_DIR}/tolvane.exe TOLVANE_SOURCE=${CMAKE_SOURCE_DIR}
  TOLVANE_PRINT_JOBS=${TOLVANE_PRINT_JOBS})

# Tests that print need the CUPS queue that saves each job under build/win64/print-jobs as
# the default printer: this fixture sets it up before them (tests name it in FIXTURES_REQUIRED).
add_test(NAME print_queue COMMAND bash -c
  "source '${CMAKE_SOURCE_DIR}/scripts/printing.sh' && tolvane_print_queue '${TOLVANE_PRINT_JOBS}'")
# With the prefix in its environment, it also makes the queue the prefix's default printer.
set_tests_properties(print_queue PROPERTIES FIXTURES_SETUP print_queue ENVIRONMENT "${TOLVANE_TEST_ENV}")

# One executable, and one CTest entry, per file in tests/windows: each starts Wine once.
# The reader's double-byte case is left to an entry of its own, under a Japanese locale.
set(TOLVANE_DOUBLE_BYTE_CASES "RegistryOnWine.DoubleByte*")
file(GLOB TOLVANE_WINDOWS_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/*_test.cpp)
file(GLOB TOLVANE_WINDOWS_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/support_*.cpp)
foreach(src ${TOLVANE_WINDOWS_TESTS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src} ${TOLVANE_WINDOWS_TEST_SUPPORT})
  # psapi: the fault tests count what the process holds as the soak test's probe does.
  target_link_libraries(${name} PRIVATE tolvane_win32 tolvane_everything gtest gtest_main psapi)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/windows ${CMAKE_SOURCE_DIR}/tests/unit)
  set(args)
  if(name STREQUAL "registry_test")
    set(args --gtest_filter=-${TOLVANE_DOUBLE_BYTE_CASES})
  endif()
  add_test(NAME ${name} COMMAND ${name} ${args})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${TOLVANE_TEST_ENV}" TIMEOUT 600)
  if(name MATCHES "print")
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED print_queue)
  endif()
endforeach()

# Wine takes the locale from LANG (glibc must have it: scripts/install-deps generates
# ja_JP.UTF-8); Japanese makes the ANSI code page 932. LC_ALL, were it set, would win over LANG.
add_test(NAME registry_test_932 COMMAND registry_test --gtest_filter=${TOLVANE_DOUBLE_BYTE_CASES})
set_tests_properties(registry_test_932 PROPERTIES
  ENVIRONMENT "${TOLVANE_TEST_ENV};LANG=ja_JP.UTF-8;LC_ALL=" TIMEOUT 600)

# tolvane-list.exe on hive files: the end-to-end hive test's cases under Wine, and its listings
# byte for byte against the Linux build's where that is built beside this one.
add_test(NAME list_hive COMMAND bash ${CMAKE_SOURCE_DIR}/tests/hive/test_list_hive.sh
  $<TARGET_FILE:tolvane-list>)
set_tests_properties(list_hive PROPERTIES TIMEOUT 900 ENVIRONMENT
  "${TOLVANE_TEST_ENV};TOLVANE_LIST_LINUX=${CMAKE_BINARY_DIR}/../native/tolvane-list")

# Tests of the real program, driven from Linux (xdotool, screenshots, CUPS): one CTest entry
# per script in tests/gui.
file(GLOB TOLVANE_GUI_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/gui/test_*.sh)
foreach(script ${TOLVANE_GUI_TESTS})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME gui_${name} COMMAND bash ${script})
  set_tests_properties(gui_${name} PROPERTIES ENVIRONMENT "${TOLVANE_TEST_ENV}" TIMEOUT 900 DEPENDS tolvane)
  if(name MATCHES "print")
    set_tests_properties(gui_${name} PROPERTIES FIXTURES_REQUIRED print_queue)
  endif()
  # A soak runs hundreds of rounds: minutes on a quiet machine, more on a busy one.
  if(name MATCHES "soak")
    set_tests_properties(gui_${name} PROPERTIES TIMEOUT 2400)
  endif()
endforeach()

# Windows benchmarks and test helper programs: one executable per file.
file(GLOB TOLVANE_WINDOWS_PROGRAMS CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/bench/win32_*.cpp ${CMAKE_SOURCE_DIR}/tests/gui/win32_*.cpp)
foreach(src ${TOLVANE_WINDOWS_PROGRAMS})
  get_filename_component(name ${src} NAME_WE)
  string(REGEX REPLACE "^win32_" "" name ${name})
  add_executable(${name} ${src})
  file(READ ${src} content)
  if(content MATCHES "WinMain")
    set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE ON)
  endif()
  target_compile_options(${name} PRIVATE -O2)
  target_link_libraries(${name} PRIVATE tolvane_win32 tolvane_everything)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/unit)
endforeach()
# The start-up floor shows the program's window with the program's own resources: the same
# images, icon and manifest (hence the same common controls).
target_sources(startup_floor PRIVATE ${TOLVANE_RESOURCES})
add_dependencies(startup_floor tolvane_images)
target_include_directories(startup_floor PRIVATE ${TOLVANE_IMAGE_DIR})
target_link_options(startup_floor PRIVATE -s)
# The benchmark of tolvane-list runs its portable part.
target_link_libraries(list_bench PRIVATE tolvane_list_core)
# The soak test's probe reads the program's working set through psapi; the program never does.
target_link_libraries(resource_probe PRIVATE psapi)
