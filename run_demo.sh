#!/usr/bin/env bash
# The main job: builds the two programs, turns every sample fingerprint in
# tests/data/samples into a template in each of the four file formats with
# ridgeforge, then matches genuine and impostor pairs of them with
# ridgescore in each format.
# Usage: ./run_demo.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")"

build_dir=${1:-build}
jobs=${JOBS:-2}
samples=tests/data/samples
out=$build_dir/demo

bash scripts/ensure_build_deps.sh
cmake -S . -B "$build_dir" >/dev/null
targets=(ridgeforge)
[ -f samples/ridgescore.cpp ] && targets+=(ridgescore)
cmake --build "$build_dir" -j"$jobs" --target "${targets[@]}"

rm -rf "$out"
mkdir -p "$out"
extension=(none txt raw pck fmr)

echo
echo "== ridgeforge on $(ls "$samples"/*.bmp | wc -l) sample images, formats 1-4 -> $out"
first=1
extracted=0
failed=0
for image in "$samples"/*.bmp; do
  name=$(basename "$image" .bmp)
  for format in 1 2 3 4; do
    log=$out/$name.$format.log
    status=0
    "$build_dir"/ridgeforge "$format" "$image" "$out/$name.${extension[$format]}" </dev/null >"$log" 2>&1 || status=$?
    if [ $first -eq 1 ]; then
      echo "-- full output for $name, format $format (exit code $status):"
      cat "$log"
      echo "--"
      first=0
    fi
    if [ "$format" -eq 1 ]; then
      quality=$(sed -n 's/^input image quality = \([^;]*\);.*/\1/p' "$log")
      minutiae=$(sed -n 's/^template has \([0-9]*\) minutiae/\1/p' "$log")
      qtime=$(sed -n 's/^getFpImgQuality time = \(.*\) ms/\1/p' "$log")
      gtime=$(sed -n 's/^generateRawFPT time = \(.*\) ms/\1/p' "$log")
      if [ -n "$minutiae" ]; then
        extracted=$((extracted + 1))
        printf '%-8s quality %-10s minutiae %-4s quality time %8s ms  extraction time %8s ms\n' \
          "$name" "$quality" "$minutiae" "$qtime" "$gtime"
      else
        failed=$((failed + 1))
        printf '%-8s no template (exit code %d): %s\n' "$name" "$status" "$(tail -n 1 "$log")"
      fi
    fi
  done
done
echo "templates written: $extracted images x 4 formats; images without a template: $failed"
ls "$out" | grep -v '\.log$' | head -n 8 | sed 's/^/  /'

if [ ! -x "$build_dir"/ridgescore ]; then
  echo
  echo "ridgescore is not part of this build yet: matching skipped."
  exit 0
fi
if [ "$extracted" -eq 0 ]; then
  echo
  echo "No templates to match."
  exit 0
fi

# Genuine pairs: impressions of one finger; impostor pairs: different fingers.
names=()
for image in "$samples"/*.bmp; do names+=("$(basename "$image" .bmp)"); done
for format in 1 2 3 4; do
  ext=${extension[$format]}
  : >"$out/genuine.$format.txt"
  : >"$out/impostor.$format.txt"
  for ((i = 0; i < ${#names[@]}; i++)); do
    for ((j = i + 1; j < ${#names[@]}; j++)); do
      a=${names[$i]}
      b=${names[$j]}
      if [ "${a%_*}" = "${b%_*}" ]; then list=genuine; else list=impostor; fi
      echo "$out/$a.$ext $out/$b.$ext" >>"$out/$list.$format.txt"
    done
  done
done

echo
echo "== ridgescore: genuine pairs (same finger) against impostor pairs (different fingers)"
for format in 1 2 3 4; do
  [ "$format" -eq 1 ] && show_pairs=1 || show_pairs=0
  for list in genuine impostor; do
    "$build_dir"/ridgescore "$format" "$out/$list.$format.txt" "$out/$list.$format.scores" \
      </dev/null >"$out/$list.$format.log" 2>&1 || true
  done
  summary() {
    awk -F', ' 'NF == 3 && $3 != "-1" && $3 != "-2" {
        n++; s += $3; if (n == 1 || $3 < lo) lo = $3; if (n == 1 || $3 > hi) hi = $3 }
      END { if (n) printf "%3d pairs  min %9.2f  mean %9.2f  max %9.2f", n, lo, s / n, hi;
            else printf "no scores" }' "$1"
  }
  if [ "$show_pairs" -eq 1 ]; then
    for list in genuine impostor; do
      echo "-- $list scores, format $format:"
      # Only the image names of each pair, several pairs to a line.
      sed 's#[^ ,]*/\([^/ ,]*\)\.[a-z]*#\1#g; s/, / /g' "$out/$list.$format.scores" |
        awk '$3 != "-1" && $3 != "-2" { printf "  %s-%s %6.2f", $1, $2, $3; if (++n % 5 == 0) print "" }
             END { if (n % 5) print "" }'
    done
  fi
  printf 'format %d  genuine:  %s\n' "$format" "$(summary "$out/genuine.$format.scores")"
  printf '          impostor: %s\n' "$(summary "$out/impostor.$format.scores")"
  grep -h "Average match time" "$out/genuine.$format.log" | sed 's/^/          /' || true
done
