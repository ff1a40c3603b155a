#!/usr/bin/env bash
# Makes sure the build tools are there. As root, missing Debian packages are
# installed with apt-get; otherwise the exact install command is printed and
# the script fails. Meant to be sourced or run by the other scripts.
set -euo pipefail

packages=(g++ cmake make libgtest-dev libpng-dev pkg-config)
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
