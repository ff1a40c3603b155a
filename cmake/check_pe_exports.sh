#!/usr/bin/env bash
# Checks that each Windows program or DLL exports exactly the nine SDK
# functions by their plain names (no @N decoration, no leading underscore).
# Usage: check_pe_exports.sh OBJDUMP FILE...
set -euo pipefail
objdump=$1
shift
expected="Copyright FMR378FPT_2_RawFPT PackedFTP_2_RawFPT RawFPT_2_FMR378FPT RawFPT_2_PackedFTP free_FPAPI_mem generateRawFPT getFpImgQuality matchRawFPTs"
status=0
for file in "$@"; do
  names=$("$objdump" -p "$file" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' | sort | xargs)
  if [ "$names" = "$expected" ]; then
    echo "$(basename "$file"): exports the nine functions"
  else
    echo "$(basename "$file"): exports '$names'" >&2
    echo "  expected '$expected'" >&2
    status=1
  fi
done
exit $status
