# Cross build for 32-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-i686):
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
#   cmake --build build-win32 -j2
# gives ridgescore.exe, ridgeforge.exe and ridgesdk.dll. The posix thread
# flavour of the compiler provides std::thread and std::mutex; the C++
# runtime and winpthread are linked statically, so the three files need no
# other DLL than those of Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(RIDGESDK_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${RIDGESDK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RIDGESDK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${RIDGESDK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RIDGESDK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs built here run under Wine when it is installed.
find_program(RIDGESDK_WINE wine)
if(RIDGESDK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RIDGESDK_WINE})
endif()

# No GoogleTest for this target: the programs and the DLL only.
set(RIDGESDK_BUILD_TESTS OFF CACHE BOOL "Build the test suite")
set(RIDGESDK_BUILD_BENCH OFF CACHE BOOL "Build the benchmarks")
