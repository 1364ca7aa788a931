#!/usr/bin/env bash
# The whole-process figures of lumo8-cc, side by side in one run:
#   A  lumo8-cc with a 20-option compile line (ZIR, then TEV) against a
#      driver that does nothing;
#   B  a program that only starts the same driver and waits for it;
#   B' the same, with the command file written into a fresh directory of the
#      temporary base and both removed afterwards, as lumo8-cc must: B'-B is
#      what the file system charges for that;
#   C  the GNU driver's own option handling (gcc -### -c), for reference.
# A, B and B' run in turn (200 triples); the medians of each and of the
# ratios A/B and A/B' are printed, first with the temporary base on the file system of
# /tmp, then in memory (/dev/shm) where the machine has it: lumo8-cc creates
# and removes its temporary directory and command file, and what that costs
# is the file system's. Then peak resident memory, the instructions of one
# A run, and the time per argument of command files of 1,000 to 100,000
# arguments.
#   bash bench/whole_process.sh [BUILD_DIR]        (default: build)
set -euo pipefail

build="$(cd "${1:-build}" && pwd)"
bench="$build/bench/bench_compile_line"
[ -x "$bench" ] || { echo "whole_process: build first ($bench is missing)" >&2; exit 1; }

out="$(mktemp)"
trap 'rm -f "$out"' EXIT

counter() {  # counter NAME FILE -> value of NAME= on the pairs line
  awk -v n="$1" '{ for (i = 1; i <= NF; ++i) if (index($i, n "=") == 1) { sub(n "=", "", $i); print $i } }'
}
pairs() {  # pairs LABEL ROOT
  LUMO_BENCH_ROOT="$2" "$bench" --benchmark_filter='Pairs' >"$out" 2>/dev/null
  for family in Zir Tev; do
    line="$(grep "^BM_Pairs$family" "$out")"
    printf '%-5s %-22s A %6.3f ms  B %6.3f ms  B'"'"' %6.3f ms  A/B %.2f  A/B'"'"' %.2f\n' "$family" "($1)" \
      "$(counter A_ms <<<"$line")" "$(counter B_ms <<<"$line")" "$(counter Bfile_ms <<<"$line")" \
      "$(counter A_over_B <<<"$line")" "$(counter A_over_Bfile <<<"$line")"
  done
}

echo "A/B and A/B', medians of 200 triples (B' = B with the command file in a fresh directory):"
pairs "temp on $(df -T /tmp | awk 'NR == 2 { print $2 }')" /tmp
if [ -d /dev/shm ] && [ -w /dev/shm ]; then pairs "temp in memory" /dev/shm; fi

"$bench" --benchmark_filter='ZirLine|TevLine|SpawnOnly|GccShow' --benchmark_repetitions=30 \
  --benchmark_report_aggregates_only=true >"$out" 2>/dev/null
"$bench" --benchmark_filter='Arguments' >>"$out" 2>/dev/null

median() { awk -v n="$1" '$1 == n"/real_time_median" { print $2 }' "$out"; }
rss() {  # Google Benchmark writes 2108 as 2.108k
  awk -v n="$1" '$1 == n"/real_time_median" { for (i = 1; i <= NF; ++i) if ($i ~ /^peak_rss_KiB=/) {
    sub(/peak_rss_KiB=/, "", $i); v = $i; if (v ~ /k$/) { sub(/k$/, "", v); v *= 1000 } printf "%d\n", v } }' "$out"
}

zir=$(median BM_Lumo8ccZirLine); tev=$(median BM_Lumo8ccTevLine)
spawn=$(median BM_SpawnOnly); gcc=$(median BM_GccShowCommands)
echo "medians of 30 runs each (temp on /tmp):"
printf '  %-32s %8s ms\n' "A  lumo8-cc, ZIR line" "$zir" "A  lumo8-cc, TEV line" "$tev" \
  "B  start the driver only" "$spawn" "C  gcc -### -c" "$gcc"
awk -v z="$zir" -v t="$tev" -v g="$gcc" 'BEGIN { printf "  A/C  ZIR %.2f  TEV %.2f\n", z / g, t / g }'
printf 'peak resident memory: A (ZIR) %s KiB, B %s KiB\n' "$(rss BM_Lumo8ccZirLine)" "$(rss BM_SpawnOnly)"
grep '^BM_Arguments' "$out" | awk '{ for (i = 1; i <= NF; ++i) if ($i ~ /^us_per_argument=/) a = $i;
  printf "%-45s %10s %s  %s\n", $1, $2, $3, a }'

if command -v valgrind >/dev/null; then
  inst="$(mktemp -d)"
  trap 'rm -f "$out"; rm -rf "$inst"' EXIT
  mkdir -p "$inst/lumo8/v2.50/bin" "$inst/lumo8/v2.50/zir/bin"
  cp "$build/lumo8/v2.50/bin/lumo8-cc" "$inst/lumo8/v2.50/bin/"
  cp "$build/bench/noop_driver" "$inst/lumo8/v2.50/zir/bin/lumo8"
  refs=$(cd "$inst" && TEMP="$inst" valgrind --tool=callgrind --callgrind-out-file=/dev/null \
    "$inst/lumo8/v2.50/bin/lumo8-cc" -mcpu=zir16c401 -O2 -Wall -Wno-2044 -std=c99 -DNDEBUG -DBOARD=3 \
    -Iinclude -Isrc -funsigned-char -mstack=compiled -mno-plib -mwarn=0 -Wl,-Map=out.map -Wl,--data-init \
    -Wa,-a -o build/out.hex -c main.c 2>&1 | awk '/refs:/ { print $NF }')
  echo "instructions of one A run (ZIR, callgrind, driver excluded): $refs"
fi
