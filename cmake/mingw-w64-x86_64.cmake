# Cross-builds the Qt-free core, kelda-cli.exe and the core's tests as static 64-bit Windows
# programs with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix: the POSIX thread model gives
# std::thread and std::mutex). Use:
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# With the window program, Qt's toolchain file of a Qt built for Windows chains to this one
# (scripts/windows-check.sh). Tests and programs run under Wine (scripts/windows-check.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KELDA_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${KELDA_MINGW_PREFIX}-gcc-posix ${KELDA_MINGW_PREFIX}-gcc
             REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${KELDA_MINGW_PREFIX}-g++-posix ${KELDA_MINGW_PREFIX}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${KELDA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KELDA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static programs: no libstdc++, libgcc or winpthread DLLs to ship beside the executables. A
# build against Qt DLLs (which link to those runtime DLLs) sets KELDA_SHARED_RUNTIME, so that
# the program and Qt share one runtime; the build then puts the DLLs beside the programs.
if(NOT KELDA_SHARED_RUNTIME)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()

# CTest and GoogleTest's discovery run the programs under Wine.
find_program(KELDA_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KELDA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KELDA_WINE})
endif()
