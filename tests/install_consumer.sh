#!/usr/bin/env bash
# Installs the built SDK into an empty prefix, checks what landed there,
# then builds the consumer against it both ways, with CMake's find_package
# and with pkg-config, and runs it without LD_LIBRARY_PATH: from the build
# tree and installed (CMake), and after the SDK's tree was moved
# (pkg-config). Both package files give a run path to the library.
# Usage: install_consumer.sh BUILD_DIR SOURCE_DIR WORK_DIR C_COMPILER
set -euo pipefail
build=$1
source=$2
work=$3
cc=$4

rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log"

libdir=$(dirname "$(find "$prefix" -name 'libridgesdk.so' | head -1)")
for file in include/ridgesdk.h include/ridgeinspect.h bin/ridgeforge bin/ridgescore bin/ridgeview; do
  [ -e "$prefix/$file" ] || { echo "not installed: $file" >&2; exit 1; }
done
version_file=$(find "$libdir" -name 'libridgesdk.so.*.*.*' | head -1)
[ -n "$version_file" ] || { echo "no versioned libridgesdk.so.X.Y.Z" >&2; exit 1; }
soname=$(objdump -p "$version_file" | sed -n 's/^ *SONAME *//p')
[ "$soname" = "libridgesdk.so.1" ] || { echo "SONAME is '$soname'" >&2; exit 1; }
[ -e "$libdir/$soname" ] || { echo "no $soname link" >&2; exit 1; }

echo "== find_package"
cmake -S "$source/tests/install_consumer" -B "$work/consumer-cmake" \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_COMPILER="$cc" >"$work/consumer-cmake.log"
cmake --build "$work/consumer-cmake" >>"$work/consumer-cmake.log"
env -u LD_LIBRARY_PATH "$work/consumer-cmake/consumer"
# Installing drops CMake's build-tree run path; the package's stays.
cmake --install "$work/consumer-cmake" --prefix "$work/consumer-installed" >>"$work/consumer-cmake.log"
env -u LD_LIBRARY_PATH "$work/consumer-installed/bin/consumer"

echo "== pkg-config"
if ! command -v pkg-config >/dev/null; then
  echo "pkg-config is not installed (apt-get install pkg-config)" >&2
  exit 1
fi
# The installed tree is moved first: the package files must not depend on
# where it was installed.
mv "$prefix" "$work/moved"
prefix=$work/moved
libdir=${libdir/$work\/prefix/$prefix}
flags=$(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs ridgesdk)
echo "pkg-config: $flags"
# shellcheck disable=SC2086
"$cc" -Wall -Wextra -Werror "$source/tests/install_consumer/consumer.c" $flags \
  -o "$work/consumer-pc"
env -u LD_LIBRARY_PATH "$work/consumer-pc"

echo "== python"
# The installed package finds the installed (and moved) library by itself,
# from any folder, with Debian's interpreter.
python=/usr/bin/python3
if [ -x "$python" ] && "$python" -c "import numpy" 2>/dev/null; then
  location=$(find "$prefix" -path '*/ridgesdk/_location.py' | head -1)
  [ -n "$location" ] || { echo "Python package not installed" >&2; exit 1; }
  package_dir=$(dirname "$(dirname "$location")")
  (cd "$work" && env -u RIDGESDK_LIBRARY PYTHONPATH="$package_dir" "$python" -c "
import ridgesdk, sys
path = ridgesdk.library_path()
assert path.startswith('$prefix/'), path
t = ridgesdk.Template([(1, 10 * k, 20 * k, 30) for k in range(1, 12)])
assert ridgesdk.match(t, t) > 100
print('ridgesdk', ridgesdk.__version__, 'from', path)
")
else
  echo "skipped: no $python with numpy"
fi
