#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fz and runs each for a bounded
# time: fuzz/run.sh [seconds per target, default 60] [target...].
# Each target starts from its committed corpus (fuzz/corpus/<target>, never
# written to) and a working corpus in build-fz/corpus/<target>; a crash is
# kept in build-fz/artifacts/ and makes the script fail.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
src="$(dirname "$here")"
build="$src/build-fz"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_getargs fuzz_uxml fuzz_messages fuzz_fileid fuzz_manifest fuzz_lumodebug fuzz_option_lookup)

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$src" -B "$build" -G Ninja -DLUMO_FUZZ=ON -DLUMO_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target lumo_fuzzers

# An input that leaks fails like a crash (libFuzzer checks each input that
# allocated more than it freed).
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
mkdir -p "$build/artifacts"
failed=0
for t in "${targets[@]}"; do
  work="$build/corpus/$t"
  mkdir -p "$work"
  log="$build/$t.log"
  status=0
  "$build/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 -detect_leaks=1 \
    -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" \
    "$work" "$here/corpus/$t" >"$log" 2>&1 || status=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  if [ "$status" -ne 0 ]; then
    failed=1
    echo "$t: FAILED after ${runs:-?} executions (status $status), see $log"
    grep -m1 -E "ERROR|runtime error|deadly signal|timeout|leak" "$log" || true
  else
    echo "$t: ${runs:-?} executions in ${seconds} s"
  fi
done
exit "$failed"
