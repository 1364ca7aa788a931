#!/usr/bin/env bash
# The test project with make and the GNU dependency options -MMD -MP: build,
# a second make that does nothing, a header edit that rebuilds exactly the
# C and assembler sources that include it, and a header that is deleted once
# no source includes it any more (the phony rules of -MP keep make going).
#   make_project.sh <device>
source "$(dirname "$0")/lib.sh"
device="$1"
family="$(family_of "$device")"
work_begin "make-$device"

cp -r "$project" src
cd src
build() {  # log
  make CC="$lumo8_cc" DEVICE="$device" FAMILY="$family" > "../$1" 2>&1 || { cat "../$1"; fail "make ($1)"; }
}
build build.log
expect_eq "sources compiled" "$(compiled ../build.log)" "$(sources_of "$family")"
[ -s "out/app$(suffix_of "$family")" ] || fail "no image"
build noop.log
expect_eq "tools run by a second make" "$(tool_runs ../noop.log)" 0

edit_header include/config.h out/src/main.c.o "#define CONFIG_EDITED 1"
build edit.log
expect_eq "sources rebuilt after config.h changed" "$(compiled ../edit.log)" "main.c vectors.S"

sed -i 's/#include "extra.h"/#define EXTRA_FACTOR 3/' src/util.c
rm include/extra.h
build deleted.log
expect_eq "sources rebuilt after extra.h was deleted" "$(compiled ../deleted.log)" "util.c"
build noop2.log
expect_eq "tools run by a make after the rebuilds" "$(tool_runs ../noop2.log)" 0
work_end
