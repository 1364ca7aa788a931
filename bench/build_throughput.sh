#!/usr/bin/env bash
# Build throughput of a generated project of 300 C files (and a main.c), for
# one ZIR and one TEV device, through the staged installation:
#   cold    make -j2 with lumo8-cc alone, from a clean tree;
#   warm    make -j2 with ccache in front, from a clean tree and a cache that a
#           first ccache build filled (every compile a hit);
#   distcc  make -j2 with distcc in front, over two distccd servers on
#           127.0.0.1 (plain mode: preprocessed here, compiled by a server).
# Prints the median wall times of three runs each, warm/cold (target at most
# 0.2) and distcc/cold (target at most 1.15), and what one compile, one cache
# hit and one preprocessing cost run after run. Fails when a warm compile
# missed the cache, a distributed compile did not run on a server, or an
# image differs from the cold build's.
#   bash bench/build_throughput.sh [BUILD_DIR]        (default: build)
# DEVICES="zir18f561:.hex" picks the devices and image suffixes; KEEP_WORK=1
# keeps BUILD_DIR/bench-throughput for a look.
set -euo pipefail

top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-build}" && pwd)"
stage="$build/lumo8/v2.50"
cc="$stage/bin/lumo8-cc"
[ -x "$cc" ] || { echo "build_throughput: build first ($cc is missing)" >&2; exit 1; }
for tool in make ccache distcc distccd; do
  command -v "$tool" > /dev/null || { echo "build_throughput: $tool is missing (bash scripts/setup.sh)" >&2; exit 1; }
done
source "$top/scripts/local_distccd.sh"

files=300
work="$build/bench-throughput"
rm -rf "$work"
mkdir -p "$work/tmp"
export TMPDIR="$work/tmp"
unset TEMP TMP MAKEFLAGS MFLAGS MAKELEVEL
for v in $(compgen -e | grep -E '^(CCACHE|DISTCC)_' || true); do unset "$v"; done
cleanup() {
  local_distccd_stop "$work/server1"
  local_distccd_stop "$work/server2"
  [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

# The project: every file includes the device header and two of ten shared
# headers, and holds four functions of a loop and a state machine (about 80
# lines, code of a size that 301 of them fit the devices' memories).
mkdir -p "$work/project/src" "$work/project/include"
for g in $(seq 0 9); do
  {
    echo "#ifndef GROUP$g"
    echo "#define GROUP$g"
    echo "#define GROUP${g}_SCALE $((g + 2))"
    for k in $(seq 0 7); do echo "unsigned char group${g}_op$k(unsigned char v);"; done
    echo "#endif"
  } > "$work/project/include/group$g.h"
done
for i in $(seq -w 0 $((files - 1))); do
  n=$((10#$i))
  {
    echo "#include <lumo.h>"
    echo "#include \"group$((n % 10)).h\""
    echo "#include \"group$(((n + 3) % 10)).h\""
    echo "static unsigned char state$i;"
    for f in 0 1 2 3; do
      echo "unsigned char step${i}_$f(unsigned char input, unsigned char limit) {"
      echo "  unsigned char k, acc = (unsigned char)(input ^ $(((n + f) % 256))u);"
      echo "  for (k = 0; k < limit; ++k) {"
      echo "    acc = (unsigned char)(acc * GROUP$((n % 10))_SCALE + k);"
      echo "    if (acc > $(((n * 7 + f) % 200 + 20))u) acc = (unsigned char)(acc - $((f + 3))u);"
      echo "  }"
      echo "  switch (state$i) {"
      for s in 0 1 2 3 4 5; do
        echo "  case $s: state$i = (unsigned char)(input > $((s * 40))u ? $(((s + 1) % 6))u : ${s}u); acc = (unsigned char)(acc + $((s + f))u); break;"
      done
      echo "  default: state$i = 0; break;"
      echo "  }"
      echo "  return (unsigned char)(acc + state$i);"
      echo "}"
    done
  } > "$work/project/src/f$i.c"
done
echo 'int main(void) { for (;;) { } return 0; }' > "$work/project/src/main.c"
cat > "$work/project/Makefile" <<'EOF'
OBJECTS = $(patsubst src/%.c,out/%.o,$(sort $(wildcard src/*.c)))
out/image$(SUFFIX): $(OBJECTS)
	$(CC) -mcpu=$(DEVICE) $^ -o $@
out/%.o: src/%.c | out
	$(CC) -mcpu=$(DEVICE) -O2 -Iinclude -MMD -MP -MF $(@:.o=.d) -MT $@ -c $< -o $@
out:
	mkdir -p out
-include $(OBJECTS:.o=.d)
EOF

# The median wall time of three clean make -j2 runs, in seconds; the image
# of the last is kept for comparison.
timed_make() {  # label cc device suffix
  local run start end times=()
  for run in 1 2 3; do
    rm -rf "$work/project/out"
    start="$(date +%s%N)"
    make -s -j2 -C "$work/project" CC="$2" DEVICE="$3" SUFFIX="$4" > "$work/$1.log" 2>&1 \
      || { cat "$work/$1.log" >&2; echo "build_throughput: $1 failed" >&2; exit 1; }
    end="$(date +%s%N)"
    times+=("$((end - start))")
  done
  cp "$work/project/out/image$4" "$work/$1.image"
  printf '%s\n' "${times[@]}" | sort -n | sed -n 2p | awk '{ printf "%.2f", $1 / 1e9 }'
}

per_run() {  # command... -> mean milliseconds of 50 runs in the project
  local start end run
  start="$(date +%s%N)"
  for run in $(seq 50); do (cd "$work/project" && "$@" > /dev/null 2>&1); done
  end="$(date +%s%N)"
  awk -v t="$((end - start))" 'BEGIN { printf "%.1f", t / 50 / 1e6 }'
}

# The servers serve lumo8-cc by its name, from a command list.
mkdir -p "$work/distcc"
echo "$cc" > "$work/commands"
local_distccd_start "$work/server1" "$work/commands"
host1="$local_distccd_host"
local_distccd_start "$work/server2" "$work/commands"
host2="$local_distccd_host"
served() { cat "$work/server1/log" "$work/server2/log" | grep -c ' COMPILE_OK ' || true; }

echo "$((files + 1)) C files, make -j2, median wall seconds of 3 runs on $(nproc) cores"
printf '%-10s %8s %8s %10s %8s %12s %8s\n' device cold warm warm/cold distcc distcc/cold remote
status=0
for entry in ${DEVICES:-zir18f561:.hex kx128q8:.elf}; do
  device="${entry%%:*}" suffix="${entry#*:}"
  cold="$(timed_make cold "$cc" "$device" "$suffix")"
  export CCACHE_DIR="$work/ccache-$device" CCACHE_TEMPDIR="$work/ccache-$device/tmp"
  rm -rf "$work/project/out"
  make -s -j2 -C "$work/project" CC="ccache $cc" DEVICE="$device" SUFFIX="$suffix" > "$work/fill.log" 2>&1 \
    || { cat "$work/fill.log" >&2; exit 1; }
  ccache --zero-stats > /dev/null
  warm="$(timed_make warm "ccache $cc" "$device" "$suffix")"
  hits="$(( $(ccache --print-stats | awk '$1 == "direct_cache_hit" { print $2 }') / 3 ))"
  before="$(served)"
  distcc="$(DISTCC_HOSTS="$host1/1 $host2/1" DISTCC_DIR="$work/distcc" DISTCC_FALLBACK=0 \
    DISTCC_SKIP_LOCAL_RETRY=1 DISTCC_BACKOFF_PERIOD=0 timed_make distcc "distcc $cc" "$device" "$suffix")"
  remote=$(( ($(served) - before) / 3 ))
  warm_ratio="$(awk -v a="$warm" -v b="$cold" 'BEGIN { printf "%.3f", a / b }')"
  distcc_ratio="$(awk -v a="$distcc" -v b="$cold" 'BEGIN { printf "%.3f", a / b }')"
  printf '%-10s %8s %8s %10s %8s %12s %8s\n' "$device" "$cold" "$warm" "$warm_ratio" "$distcc" "$distcc_ratio" "$remote/$((files + 1))"
  for build in warm distcc; do
    cmp -s "$work/cold.image" "$work/$build.image" || { echo "  $build: the image differs from the cold build's"; status=1; }
  done
  [ "$hits" = "$((files + 1))" ] || { echo "  warm: $hits of $((files + 1)) compiles were cache hits"; status=1; }
  [ "$remote" = "$((files + 1))" ] || { echo "  distcc: $remote of $((files + 1)) compiles ran on a server"; status=1; }
  awk -v r="$warm_ratio" 'BEGIN { exit !(r > 0.2) }' && echo "  warm/cold $warm_ratio is above the target 0.2"
  awk -v r="$distcc_ratio" 'BEGIN { exit !(r > 1.15) }' && echo "  distcc/cold $distcc_ratio is above the target 1.15"
  # What one compile costs, run after run, against what the ratios add:
  # a cache hit, and distcc's local preprocessing.
  printf '  one compile of src/f000.c, mean of 50: lumo8-cc -c %s ms, ccache hit %s ms, lumo8-cc -E %s ms, /bin/true %s ms\n' \
    "$(per_run "$cc" -mcpu="$device" -O2 -Iinclude -c src/f000.c -o out/one.o)" \
    "$(per_run ccache "$cc" -mcpu="$device" -O2 -Iinclude -c src/f000.c -o out/one.o)" \
    "$(per_run "$cc" -mcpu="$device" -O2 -Iinclude -E src/f000.c -o out/one.i)" \
    "$(per_run /bin/true)"
done
exit "$status"
