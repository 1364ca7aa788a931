#!/usr/bin/env bash
# The two figures that keep the tests honest: the lines of tests/ against the
# lines of everything else in the repository (product, back ends, benchmarks,
# fuzz targets, scripts, build files), and the line coverage of the product
# by the test suite (gcovr over common, debug, devices, driver, selftests and
# toolchain), measured in a build of its own with coverage instrumentation.
#   scripts/coverage.sh [build directory, default build-cov]
# Only the ratio: scripts/coverage.sh --ratio
set -euo pipefail

src="$(cd "$(dirname "$0")/.." && pwd)"

# Lines of the code, build and test-script files in the tree (tracked or
# new, not ignored); recorded data (tests/driver/data, corpora, catalogues,
# docs) is not code.
count_lines() {
  git -C "$src" ls-files --cached --others --exclude-standard -- "$@" |
    grep -E '(\.(cpp|h|c|sh|py|cmake)|CMakeLists\.txt)$' | sort -u |
    while read -r f; do if [ -f "$src/$f" ]; then cat "$src/$f"; fi; done | wc -l
}

tests=$(count_lines tests)
rest=$(count_lines . ':!tests')
ratio=$(awk -v t="$tests" -v r="$rest" 'BEGIN { printf "%.2f", t / r }')
echo "test lines: $tests, other lines: $rest, ratio: $ratio"
[ "${1:-}" = "--ratio" ] && exit 0

build="${1:-$src/build-cov}"
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_C_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$build"
find "$build" -name '*.gcda' -delete
# The stress test adds time, not coverage.
ctest --test-dir "$build" -j2 -LE stress >"$build/coverage-ctest.log" 2>&1 || {
  tail -30 "$build/coverage-ctest.log"
  echo "coverage.sh: the test suite failed" >&2
  exit 1
}
gcovr --root "$src" --object-directory "$build" \
  --filter "$src/(common|debug|devices|driver|selftests|toolchain)/" \
  --print-summary --output "$build/coverage.txt" | grep '^lines:' |
  sed 's/^lines: */line coverage: /'
