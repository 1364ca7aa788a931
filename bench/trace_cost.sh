#!/usr/bin/env bash
# The cost of the trace calls when tracing is off: the whole-process time of
# a typical ZIR compile with this build's lumo8-cc (trace calls compiled in,
# debugging off) against one built with -DLUMO_TRACE=OFF (trace calls
# compiled out, in BUILD_DIR-notrace), 300 alternating pairs, medians; then
# the instructions of one run of each (callgrind), which do not depend on
# the machine's load.
#   bash bench/trace_cost.sh [BUILD_DIR]        (default: build)
set -euo pipefail

src="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-build}" && pwd)"
notrace="$build-notrace"
bench="$build/bench/bench_compile_line"
[ -x "$bench" ] || { echo "trace_cost: build first ($bench is missing)" >&2; exit 1; }

cmake -S "$src" -B "$notrace" -G Ninja -DLUMO_TRACE=OFF -DLUMO_TESTS=OFF >/dev/null
cmake --build "$notrace" --target lumo8-cc >/dev/null
untraced="$notrace/lumo8/v2.50/bin/lumo8-cc"

line="$(LUMO_BENCH_UNTRACED="$untraced" "$bench" --benchmark_filter='TraceCost' 2>/dev/null | grep '^BM_TraceCost')"
value() { awk -v n="$1" '{ for (i = 1; i <= NF; ++i) if (index($i, n "=") == 1) { sub(n "=", "", $i); print $i } }' <<<"$line"; }
printf 'trace calls compiled in, off  %6.3f ms\ntrace calls compiled out      %6.3f ms\nratio (median of 300 pairs)   %6.3f\n' \
  "$(value in_ms)" "$(value out_ms)" "$(value in_over_out)"

if command -v valgrind >/dev/null; then
  inst="$(mktemp -d)"
  trap 'rm -rf "$inst"' EXIT
  mkdir -p "$inst/lumo8/v2.50/bin" "$inst/lumo8/v2.50/zir/bin"
  cp "$build/bench/noop_driver" "$inst/lumo8/v2.50/zir/bin/lumo8"
  for variant in "$build/lumo8/v2.50/bin/lumo8-cc" "$untraced"; do
    cp "$variant" "$inst/lumo8/v2.50/bin/lumo8-cc"
    refs=$(cd "$inst" && TEMP="$inst" valgrind --tool=callgrind --callgrind-out-file=/dev/null \
      "$inst/lumo8/v2.50/bin/lumo8-cc" -mcpu=zir16c401 -O2 -Wall -Wno-2044 -std=c99 -DNDEBUG -DBOARD=3 \
      -Iinclude -Isrc -funsigned-char -mstack=compiled -mno-plib -mwarn=0 -Wl,-Map=out.map -Wl,--data-init \
      -Wa,-a -o build/out.hex -c main.c 2>&1 | awk '/refs:/ { print $NF }')
    echo "instructions, $( [ "$variant" = "$untraced" ] && echo "compiled out" || echo "compiled in, off"): $refs"
  done
fi
