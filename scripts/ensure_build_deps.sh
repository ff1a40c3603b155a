#!/usr/bin/env bash
# Makes sure the build tools are there. As root, missing Debian packages are
# installed with apt-get; otherwise the exact install command is printed and
# the script fails. Meant to be sourced or run by the other scripts.
set -euo pipefail

packages=(g++ cmake make libgtest-dev libpng-dev pkg-config python3 python3-numpy python3-distributed
  python3-pytest)
missing=()
command -v g++ >/dev/null 2>&1 || missing+=(g++)
command -v cmake >/dev/null 2>&1 || missing+=(cmake)
command -v make >/dev/null 2>&1 || missing+=(make)
# The install test builds a consumer with the pkg-config flags.
command -v pkg-config >/dev/null 2>&1 || missing+=(pkg-config)
gtest_config=$(ls /usr/lib/*/cmake/GTest/GTestConfig.cmake /usr/lib/cmake/GTest/GTestConfig.cmake \
  2>/dev/null | head -n 1 || true)
if [ ! -f /usr/include/gtest/gtest.h ] || [ -z "$gtest_config" ]; then
  missing+=(libgtest-dev)
fi
# libpng reads PNG images for the extensions.
if [ ! -f /usr/include/png.h ] && [ ! -f /usr/include/libpng16/png.h ]; then
  missing+=(libpng-dev)
fi

# The Python package and its tests run on Debian's own interpreter, which
# sees Debian's numpy, dask.distributed and pytest (another python3 earlier
# on the PATH may not).
if [ ! -x /usr/bin/python3 ]; then
  missing+=(python3 python3-numpy python3-distributed python3-pytest)
else
  for module in numpy:python3-numpy distributed:python3-distributed pytest:python3-pytest; do
    /usr/bin/python3 -c "import ${module%%:*}" >/dev/null 2>&1 || missing+=("${module#*:}")
  done
fi

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null 2>&1; then
  echo "Installing missing build dependencies: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
else
  echo "Missing build dependencies: ${missing[*]}" >&2
  echo "Install them with: sudo apt-get install ${packages[*]}" >&2
  exit 1
fi
