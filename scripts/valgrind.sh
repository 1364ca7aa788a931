#!/usr/bin/env bash
# The memcheck leg: end-to-end compiles of the blink example for a ZIR and a
# TEV device, run under valgrind with the back ends traced too. Any memcheck
# error fails the run, leaks included: a block that nothing (or only a
# pointer into its middle) leads to at the end. Memory the program keeps
# until it ends through its own pointers (the string cache) is not a leak.
#   scripts/valgrind.sh [build directory, default build-vg]
# memcheck watches the C library's allocator through the dynamic loader, so
# this leg builds lumo8-cc dynamically linked (LUMO_STATIC_DRIVER=OFF) in a
# build directory of its own; a build with the static lumo8-cc is refused.
set -euo pipefail

src="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$src/build-vg}"
if [ -f "$build/CMakeCache.txt" ] && ! grep -q '^LUMO_STATIC_DRIVER:BOOL=OFF$' "$build/CMakeCache.txt"; then
  echo "valgrind.sh: $build links lumo8-cc statically; give a build directory of its own (default build-vg)" >&2
  exit 2
fi
cmake -S "$src" -B "$build" -G Ninja -DLUMO_STATIC_DRIVER=OFF >/dev/null
cmake --build "$build"
build="$(cd "$build" && pwd)"  # the runs start in a directory of their own

cc="$build/lumo8/v2.50/bin/lumo8-cc"
example="$src/examples/blink"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/temp"

failed=0
run() {
  local name="$1"
  shift
  local status=0
  (cd "$work" && TEMP="$work/temp" valgrind -q --error-exitcode=99 \
      --leak-check=full --errors-for-leak-kinds=definite,indirect,possible \
      --trace-children=yes --log-file="$work/$name.vg.%p" "$cc" "$@" >"$work/$name.out" 2>&1) || status=$?
  if [ "$status" -eq 99 ] || grep -qs "ERROR SUMMARY: [1-9]\|Invalid\|uninitialised\|definitely lost\|indirectly lost\|possibly lost" "$work/$name".vg.*; then
    echo "$name: memcheck errors"
    cat "$work/$name".vg.*
    failed=1
  elif [ "$status" -ne 0 ]; then
    echo "$name: status $status"
    cat "$work/$name.out"
    failed=1
  else
    echo "$name: clean"
  fi
  if [ -n "$(ls -A "$work/temp")" ]; then
    echo "$name: left temporary files"
    failed=1
  fi
}

run zir-build -mcpu=zir16c401 -O2 -Wall -o blink.hex "$example/main.c" "$example/led.c"
run zir-compile -mcpu=zir16c401 -c -DDEBUG=1 "$example/led.c"
run tev-build -mcpu=kx32m2 -O2 -Wall -o blink.elf "$example/main.c" "$example/led.c"
run tev-compile -mcpu=kx32m2 -c "$example/main.c"
run help --help
exit "$failed"
