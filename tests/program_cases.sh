#!/usr/bin/env bash
# Runs ridgeforge, ridgescore or ridgesearch over one group of cases of its table of
# failures (or its success path) and fails on an exit code or message other
# than expected, or a crash. Under valgrind it fails on any leak or invalid
# access as well; under Wine it runs the Windows programs.
#
# Usage: program_cases.sh RUNNER PROGRAM CASE SOURCE_DATA_DIR WORK_DIR
#   RUNNER  "valgrind=/path/to/valgrind", "wine=/path/to/wine" or "direct"
#   CASE    one of the case_* functions below, without the prefix.
set -uo pipefail

runner=$1
case_name=$3
# Absolute paths: the cases run inside the work folder.
program=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
data=$(cd "$4" && pwd)
work=$5
if [ ! -f "$program" ] || [ ! -d "$data/templates" ]; then
  echo "no program $program or no test data in $data" >&2
  exit 2
fi

rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1

failures=0
runs=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Launches the program with the runner, no terminal on its input, and the
# output in out.txt / err.txt (carriage returns of Windows text mode
# removed); sets code.
launch() {
  case $runner in
    valgrind=*)
      rm -f valgrind.log
      "${runner#valgrind=}" --leak-check=full --errors-for-leak-kinds=definite,indirect \
        --error-exitcode=99 --log-file=valgrind.log "$program" "$@" </dev/null >run.stdout 2>run.stderr
      ;;
    wine=*)
      WINEDEBUG=-all "${runner#wine=}" "$program" "$@" </dev/null >run.stdout 2>run.stderr ;;
    *)
      "$program" "$@" </dev/null >run.stdout 2>run.stderr ;;
  esac
  code=$?
  tr -d '\r' <run.stdout >out.txt
  tr -d '\r' <run.stderr >err.txt
  rm -f run.stdout run.stderr
}

# run_checked LABEL EXPECTED_CODES -- ARGS...: EXPECTED_CODES is a list
# such as "0" or "0 255" (-1 as the shell sees it).
run_checked() {
  local label=$1 expected=$2
  shift 3
  runs=$((runs + 1))
  launch "$@"
  if [ -f valgrind.log ] && { grep -q "ERROR SUMMARY: [1-9]" valgrind.log || [ "$code" -eq 99 ]; }; then
    fail "$label: valgrind reports errors (exit $code)"
    cat valgrind.log >&2
    return
  fi
  local ok=1
  case " $expected " in *" $code "*) ok=0 ;; esac
  if [ $ok -ne 0 ]; then
    fail "$label: exit code $code, expected one of: $expected"
    echo "--- stdout:" >&2; cat out.txt >&2
    echo "--- stderr:" >&2; cat err.txt >&2
  fi
}

expect_out() { grep -qF -- "$2" out.txt || fail "$1: stdout lacks '$2'"; }
expect_err() { grep -qF -- "$2" err.txt || fail "$1: stderr lacks '$2'"; }

# Writes BYTES (printf escapes) at OFFSET of FILE, in place.
patch_bytes() {
  printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# A copy beside the other inputs: Windows programs get relative paths only.
cp "$data/samples/101_1.bmp" sample.bmp
sample_bitmap=sample.bmp

# The sample fingerprint goes through quality and extraction: the report
# lines, then the template file when one is named.
extraction_outcome() {
  local label=$1 file=$2
  expect_out "$label" "input image quality = "
  expect_out "$label" "template has "
  [ -z "$file" ] || [ -s "$file" ] || fail "$label: $file not written"
}

# ---- ridgeforge ----------------------------------------------------------

case_forge_usage() {
  run_checked "no arguments" "0" --
  expect_out "no arguments" "Error arguments:"
  run_checked "two arguments" "0" -- 1 "$sample_bitmap"
  expect_out "two arguments" "ridgeforge format in.bmp outFPT"
}

case_forge_unreadable_bitmaps() {
  run_checked "missing bitmap" "1" -- 1 missing.bmp out.tpl
  expect_err "missing bitmap" "ERROR : filesize : file missing.bmp could not be opened"
  mkdir -p folder.bmp
  run_checked "folder as bitmap" "1" -- 1 folder.bmp out.tpl
  expect_err "folder as bitmap" "ERORR : load_file : folder.bmp is a folder, not a file"
}

case_forge_bad_bitmaps() {
  local size
  size=$(stat -c %s "$sample_bitmap")
  : >empty.bmp
  head -c 1078 "$sample_bitmap" >header_only.bmp
  cp "$sample_bitmap" not_bm.bmp && patch_bytes not_bm.bmp 0 'XY'
  cp "$sample_bitmap" two_planes.bmp && patch_bytes two_planes.bmp 26 '\002'
  cp "$sample_bitmap" bits24.bmp && patch_bytes bits24.bmp 28 '\030'
  cp "$sample_bitmap" compressed.bmp && patch_bytes compressed.bmp 30 '\001'
  head -c $((size - 1)) "$sample_bitmap" >truncated.bmp
  cp "$sample_bitmap" zero_width.bmp && patch_bytes zero_width.bmp 18 '\000\000\000\000'
  cp "$sample_bitmap" huge.bmp && patch_bytes huge.bmp 18 '\377\377\000\000' &&
    patch_bytes huge.bmp 22 '\377\377\000\000'
  for bitmap in empty header_only not_bm two_planes bits24 compressed truncated zero_width huge; do
    run_checked "$bitmap.bmp" "255" -- 2 "$bitmap.bmp" out.raw
    expect_out "$bitmap.bmp" "error=-1 when converting raw img to bmp img"
    expect_out "$bitmap.bmp" "$bitmap.bmp: "
    [ ! -e out.raw ] || fail "$bitmap.bmp: a template file was written"
  done
}

case_forge_small_images() {
  # Images too small for the detector's blocks: the quality or the
  # extraction fails with its status as exit code, or both succeed.
  local side
  for side in 1 7 16 40; do
    local stride=$(((side + 3) / 4 * 4))
    head -c 1078 "$sample_bitmap" >small.bmp
    head -c $((stride * side)) /dev/zero | tr '\000' '\200' >>small.bmp
    patch_bytes small.bmp 18 "$(printf '\\%03o\\000\\000\\000' "$side")"
    patch_bytes small.bmp 22 "$(printf '\\%03o\\000\\000\\000' "$side")"
    rm -f out.pk
    run_checked "${side}x$side image" "0 255" -- 3 small.bmp out.pk
    if [ "$code" -ne 0 ]; then
      grep -qE "(getFpImgQuality|generateRawFPT) returned error code -1" out.txt ||
        fail "${side}x$side image: exit $code without the failing call's line"
    fi
  done
}

case_forge_formats() {
  local format
  for format in 1 2 3 4; do
    run_checked "format $format" "0" -- "$format" "$sample_bitmap" "out.$format"
    extraction_outcome "format $format" "out.$format"
  done
}

case_forge_unknown_format() {
  run_checked "format 0" "2" -- 0 "$sample_bitmap" out.0
  extraction_outcome "format 0" ""
  expect_out "format 0" "format: 1=raw txt, 2=raw binary, 3=packed, 4=fmr378"
  [ ! -e out.0 ] || fail "format 0: a file was written"
}

case_forge_unwritable_output() {
  local format
  for format in 1 2 3 4; do
    run_checked "unwritable, format $format" "3" -- "$format" "$sample_bitmap" no/such/dir/out
    extraction_outcome "unwritable, format $format" ""
    if [ "$format" -ne 1 ]; then
      expect_err "unwritable, format $format" "ERORR : save_file : fopen : no/such/dir/out"
    fi
  done
}

# ---- ridgescore ----------------------------------------------------------

copy_templates() {
  cp "$data"/templates/* .
}

case_score_usage() {
  run_checked "no arguments" "0" --
  expect_out "no arguments" "Error arguments:"
  run_checked "two arguments" "0" -- 1 list.txt
  expect_out "two arguments" "match format in_match_list.txt out_score_list.txt"
}

case_score_lists() {
  copy_templates
  printf 'a.txt b.txt\n' >list.txt
  run_checked "missing match list" "1" -- 1 no_list.txt scores.txt
  run_checked "unwritable score list" "1" -- 1 list.txt no/such/dir/scores.txt
  mkdir -p folder_list.txt
  run_checked "folder as match list" "1" -- 1 folder_list.txt scores.txt
  expect_out "folder as match list" "match list folder_list.txt is a folder"
  run_checked "format 7" "1" -- 7 list.txt scores.txt
  expect_out "format 7" "format: 1=raw txt, 2=raw binary, 3=packed, 4=fmr378"
  [ ! -s scores.txt ] || fail "format 7: score list not empty"
  : >empty_list.txt
  run_checked "empty match list" "0" -- 1 empty_list.txt scores.txt
  local long_name
  long_name=$(printf 'n%.0s' $(seq 300))
  printf 'a.txt %s\na.txt b.txt\na.txt\n' "$long_name" >odd_list.txt
  run_checked "long name, lone name" "2" -- 1 odd_list.txt scores.list
  grep -q '^a.txt, b.txt, ' scores.list || fail "long name, lone name: valid pair not scored"
  expect_out "long name, lone name" "1 of 2 pairs could not be scored"
}

# One match list per format: a good pair, then pairs whose first, second or
# both templates fail to load or to convert.
score_format() {
  local format=$1 ext=$2
  shift 2
  copy_templates
  {
    echo "a.$ext b.$ext"
    echo "missing.$ext b.$ext"
    echo "a.$ext missing.$ext"
    echo "missing.$ext missing.$ext"
    local bad
    for bad in "$@"; do
      echo "$bad a.$ext"
      echo "a.$ext $bad"
    done
  } >list.txt
  run_checked "format $format" "2" -- "$format" list.txt scores.list
  tr -d '\r' <scores.list >scores.txt
  expect_out "format $format" "Average match time = "
  local pairs=$((4 + 2 * $#))
  expect_out "format $format" " of $pairs pairs could not be scored"
  [ "$(grep -c ', [0-9.]*$' scores.txt)" -eq "$pairs" ] ||
    fail "format $format: expected $pairs score lines"
  grep -q "^a.$ext, b.$ext, [0-9.]*$" scores.txt || fail "format $format: good pair not scored"
  grep -q "^missing.$ext, b.$ext, -1$" scores.txt || fail "format $format: no -1 line"
  grep -q "^a.$ext, missing.$ext, -2$" scores.txt || fail "format $format: no -2 line"
}

case_score_raw_text() { score_format 1 txt bad_line.txt too_many.txt short.txt empty.bin; }
case_score_raw_binary() { score_format 2 raw big.raw odd.raw empty.bin; }
case_score_packed() { score_format 3 pk big.pk empty.bin a.raw; }
case_score_fmr378() { score_format 4 fmr bad_version.fmr short.fmr empty.bin a.pk; }

# ---- ridgesearch ---------------------------------------------------------

# Enrolment of every kind of file, replacement, search, de-duplication and
# the description of the gallery, on two threads.
case_search_jobs() {
  copy_templates
  run_checked "enroll" "0" -- enroll --threads 2 g.gal a.txt b.fmr "$sample_bitmap"
  run_checked "replace" "0" -- enroll g.gal a.raw
  expect_err "replace" "entry a replaced by a.raw"
  run_checked "search" "0" -- search --threads 2 --top 2 g.gal b.txt "$sample_bitmap"
  expect_out "search" "$(printf 'sample\t1\tsample\t')"
  expect_out "search" "$(printf 'b\t2\t')"
  run_checked "dedup" "0" -- dedup --threads 2 g.gal
  expect_out "dedup" "$(printf 'a\tb\t')"
  run_checked "info" "0" -- info g.gal
  expect_out "info" "$(printf 'entries\t3')"
}

# The failures: the command line, missing and damaged galleries, bad
# probes among good ones, an enrolment that fails part-way, a gallery that
# cannot be written.
case_search_failures() {
  copy_templates
  run_checked "no command" "2" --
  expect_err "no command" "no command given"
  run_checked "bad option" "2" -- search --top x g.gal a.txt
  run_checked "missing gallery" "1" -- search g.gal a.txt
  expect_err "missing gallery" "cannot open g.gal"
  run_checked "good enrolment" "0" -- enroll g.gal a.txt b.txt
  cp g.gal damaged.gal && patch_bytes damaged.gal 40 '\x7f'
  run_checked "damaged gallery" "1" -- dedup damaged.gal
  expect_err "damaged gallery" "damaged"
  run_checked "bad probes" "1" -- search g.gal a.txt bad_line.txt big.raw missing.txt b.raw
  expect_err "bad probes" "3 of 5 probes could not be searched"
  run_checked "failed enrolment" "1" -- enroll g.gal b.raw short.fmr missing.bmp
  expect_err "failed enrolment" "nothing enrolled: 2 of 3 files failed"
  run_checked "unwritable gallery" "1" -- enroll no/such/g.gal a.txt
  expect_err "unwritable gallery" "cannot create"
}

if ! declare -F "case_$case_name" >/dev/null; then
  echo "unknown case $case_name" >&2
  exit 2
fi
"case_$case_name"
echo "$case_name: $runs runs (${runner%%=*}), $failures failures"
[ $failures -eq 0 ]
