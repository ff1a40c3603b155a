#!/usr/bin/env bash
# Cross-builds the 32-bit Windows programs and DLL with MinGW-w64 and runs
# the cross build's tests: the export tables always, the end-to-end cases
# under Wine when Wine is installed.
# Usage: cmake/cross_build_win32.sh [build-dir]
# As root, a missing MinGW-w64 compiler is installed with apt-get.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-win32}

if ! command -v i686-w64-mingw32-g++-posix >/dev/null 2>&1; then
  if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null 2>&1; then
    echo "Installing g++-mingw-w64-i686"
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y --no-install-recommends g++-mingw-w64-i686 >/dev/null ||
      { apt-get update >/dev/null && apt-get install -y --no-install-recommends g++-mingw-w64-i686 >/dev/null; }
  else
    echo "MinGW-w64 is missing: apt-get install g++-mingw-w64-i686" >&2
    exit 1
  fi
fi
command -v wine >/dev/null 2>&1 ||
  echo "Wine is not installed: only the export tables are checked"

cmake -S . -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build "$build_dir" -j"${JOBS:-2}"
ctest --test-dir "$build_dir" -j"${JOBS:-2}" --output-on-failure
