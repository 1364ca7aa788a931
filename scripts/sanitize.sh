#!/usr/bin/env bash
# The sanitizer leg: configures build-asan with LUMO_SANITIZE=ON (address and
# undefined-behaviour sanitizers on everything), builds it and runs the whole
# test suite but the stress and build-system tests. Every sanitizer report goes to
# build-asan/sanitizer/ as well as failing the run it came from; the script
# fails when a test fails or any report was written.
#   scripts/sanitize.sh [ctest arguments...]
set -euo pipefail

src="$(cd "$(dirname "$0")/.." && pwd)"
build="$src/build-asan"
reports="$build/sanitizer"

cmake -S "$src" -B "$build" -G Ninja -DLUMO_SANITIZE=ON >/dev/null
cmake --build "$build"

rm -rf "$reports"
mkdir -p "$reports"
# Leaks are reported like any other error. Tests that ask for impossible
# sizes expect a null, not an abort.
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1:log_path=$reports/asan:log_exe_name=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan:log_exe_name=1"

status=0
# The stress and build-system tests ran once in the plain build; here they
# would take hours and test the build tools more than this program.
ctest --test-dir "$build" -j2 --output-on-failure -LE 'stress|buildsys' "$@" || status=$?

if compgen -G "$reports/*" >/dev/null; then
  echo "sanitizer reports:"
  for f in "$reports"/*; do
    echo "== $f"
    head -40 "$f"
  done
  status=1
fi
exit "$status"
