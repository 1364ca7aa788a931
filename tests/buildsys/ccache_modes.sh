#!/usr/bin/env bash
# ccache in front of lumo8-cc in one of its modes, for a ZIR and a TEV
# device: a cold build misses every compile, a clean rebuild hits every
# compile, and after a header edit a clean rebuild misses exactly the sources
# that include it; every output (objects, dependency files, image) is the
# same as lumo8-cc's own without ccache. The cache is private to the test.
#   ccache_modes.sh direct|preprocessor|depend|no-second-cpp
source "$(dirname "$0")/lib.sh"
mode="$1"
work_begin "ccache-$mode"

for v in $(compgen -e | grep '^CCACHE_' || true); do unset "$v"; done
export CCACHE_DIR="$work/ccache" CCACHE_TEMPDIR="$work/ccache/tmp"
mkdir -p "$CCACHE_DIR"
case "$mode" in
  direct) ;;
  preprocessor) export CCACHE_NODIRECT=1 ;;
  depend) export CCACHE_DEPEND=1 ;;
  no-second-cpp) echo "run_second_cpp = false" > "$CCACHE_DIR/ccache.conf"
                 expect_eq "run_second_cpp" "$(ccache --get-config run_second_cpp)" false ;;
  *) fail "unknown mode $mode" ;;
esac

counter() { ccache --print-stats | awk -v name="$1" '$1 == name { print $2 }'; }
hits() { echo $(( $(counter direct_cache_hit) + $(counter preprocessed_cache_hit) )); }

for device in zir16c401 kx32m2; do
  family="$(family_of "$device")"
  count="$(sources_of "$family" | wc -w)"
  rm -rf src && cp -r "$project" src && cd src
  build() {  # cc log
    make CC="$1" DEVICE="$device" FAMILY="$family" > "../$2" 2>&1 || { cat "../$2"; fail "$device: make ($2)"; }
  }
  # The outputs without ccache, in the same place: ZIR objects name their source.
  reference() {  # name
    rm -rf out "../$1" && build "$lumo8_cc" "$1.log" && mv out "../$1"
  }
  cached() {  # log expected-misses expected-hits reference
    rm -rf out
    ccache --zero-stats > /dev/null
    build "ccache $lumo8_cc" "$1"
    expect_eq "$device $1: misses" "$(counter cache_miss)" "$2"
    expect_eq "$device $1: hits" "$(hits)" "$3"
    diff -r "../$4" out > /dev/null || { diff -r "../$4" out | head; fail "$device $1: outputs differ from lumo8-cc's own"; }
  }
  reference ref
  cached cold.log "$count" 0 ref
  cached warm.log 0 "$count" ref
  case "$mode" in
    preprocessor) expect_eq "$device: direct-mode hits" "$(counter direct_cache_hit)" 0 ;;
    *) expect_eq "$device: direct-mode hits" "$(counter direct_cache_hit)" "$count" ;;
  esac
  edit_header include/app.h out/src/app.c.o
  reference ref-edited
  cached edit.log 2 $((count - 2)) ref-edited
  cd ..
done
work_end
