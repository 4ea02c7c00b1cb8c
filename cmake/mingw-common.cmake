# Shared part of the mingw-w64 toolchain files: the win32 thread model compilers, static
# runtime, and Wine as the emulator through which CTest runs the test executables.
# The program is single-threaded: the win32 thread model's runtime needs no winpthreads, whose
# thread, mutex and condition objects the posix model's runtime links into every executable.
set(CMAKE_C_COMPILER ${TOLVANE_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TOLVANE_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${TOLVANE_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TOLVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every function and object in a section of its own, so that the linker drops what nothing
# reaches, in our objects and in the static runtime's alike.
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--gc-sections")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
