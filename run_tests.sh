#!/usr/bin/env bash
# Builds the SDK, the tools and the test suite, then runs every test.
# Usage: ./run_tests.sh [build-dir] [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")"

build_dir=${1:-build}
shift || true
jobs=${JOBS:-2}

bash scripts/ensure_build_deps.sh
cmake -S . -B "$build_dir" "$@" >/dev/null
cmake --build "$build_dir" -j"$jobs"
ctest --test-dir "$build_dir" -j"$jobs" --output-on-failure
