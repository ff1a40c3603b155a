#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: fuzz/run_fuzzers.sh SECONDS [TARGET...]
#   FUZZ_BUILD_DIR  build folder (default build-fuzz)
#   FUZZ_PARALLEL   targets run at once (default 1)
# Seeds come from fuzz/corpus/<target>; inputs found on the way are kept in
# $FUZZ_BUILD_DIR/corpus/<target>, crashes in $FUZZ_BUILD_DIR/artifacts/<target>.
# Exits non-zero when a target crashes, leaks, times out or breaks an
# invariant; prints the executions and duration of each target.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: fuzz/run_fuzzers.sh SECONDS [TARGET...]}
shift
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
parallel=${FUZZ_PARALLEL:-1}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in fuzz/fuzz_*.cpp; do
    targets+=("$(basename "$src" .cpp)")
  done
fi

# libFuzzer comes with clang's runtime (libclang-rt-14-dev on Debian 12).
if ! command -v clang++ >/dev/null || ! compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null; then
  if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null 2>&1; then
    echo "Installing clang and its runtime"
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y --no-install-recommends clang libclang-rt-14-dev >/dev/null ||
      { apt-get update >/dev/null && apt-get install -y --no-install-recommends clang libclang-rt-14-dev >/dev/null; }
  else
    echo "run_fuzzers: clang++ with libFuzzer is needed (apt-get install clang libclang-rt-14-dev)" >&2
    exit 1
  fi
fi
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -DRIDGESDK_FUZZ=ON -DRIDGESDK_BUILD_TESTS=OFF \
  -DRIDGESDK_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j"${JOBS:-2}" --target "${targets[@]}"

# Largest input each target reads: images are 2 size bytes and 160 x 160 pixels.
max_len_of() {
  case "$1" in
    fuzz_generate_raw|fuzz_image_quality) echo 25602 ;;
    fuzz_bmp_to_grey_image|fuzz_image_decode) echo 8192 ;;
    *) echo 4200 ;;
  esac
}

run_one() {
  local target=$1
  local corpus="$build_dir/corpus/$target" artifacts="$build_dir/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  # The SDK's trace lines on stdout and stderr are closed off (-close_fd_mask);
  # the fuzzer's and the sanitizers' reports still reach the log.
  "$build_dir/fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -max_len="$(max_len_of "$target")" -close_fd_mask=3 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" "fuzz/corpus/$target" \
    >"$build_dir/$target.log" 2>&1
}

declare -A status_of
pids=()
names=()
wait_oldest() {
  local pid=${pids[0]} name=${names[0]}
  local rc=0
  wait "$pid" || rc=$?
  status_of[$name]=$rc
  pids=("${pids[@]:1}")
  names=("${names[@]:1}")
}
for target in "${targets[@]}"; do
  [ ${#pids[@]} -ge "$parallel" ] && wait_oldest
  run_one "$target" &
  pids+=($!)
  names+=("$target")
done
while [ ${#pids[@]} -gt 0 ]; do wait_oldest; done

failed=0
printf '%-26s %12s %9s %8s  %s\n' target executions seconds corpus result
for target in "${targets[@]}"; do
  log="$build_dir/$target.log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  units=$(find "$build_dir/corpus/$target" -type f | wc -l)
  if [ "${status_of[$target]}" -eq 0 ]; then
    result=ok
  else
    result="FAILED (exit ${status_of[$target]}, see $log)"
    failed=1
  fi
  printf '%-26s %12s %9s %8s  %s\n' "$target" "${runs:-?}" "${took:-$seconds}" "$units" "$result"
done
if [ $failed -ne 0 ]; then
  for target in "${targets[@]}"; do
    if [ "${status_of[$target]}" -ne 0 ]; then
      echo "---- $target" >&2
      tail -40 "$build_dir/$target.log" >&2
    fi
  done
fi
exit $failed
