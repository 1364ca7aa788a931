#!/usr/bin/env bash
# The test project through the installation's toolchain file with one CMake
# generator, device and build type: configure (compiler named and versioned,
# configure checks that compile), build, a second build that does nothing,
# compile_commands.json rerun as it stands, and a header edit that rebuilds
# exactly the C and assembler sources that include it.
#   cmake_project.sh <generator> <device> <build type>
source "$(dirname "$0")/lib.sh"
generator="$1" device="$2" build_type="$3"
family="$(family_of "$device")"
work_begin "cmake-${generator// /_}-$device"

cp -r "$project" src
cmake -G "$generator" -S src -B build -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DLUMO8_DEVICE="$device" \
  -DCMAKE_BUILD_TYPE="$build_type" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON > configure.log 2>&1 \
  || { cat configure.log; fail "configure"; }
version="$("$lumo8_cc" --version | sed -n 's/.*lumo8-cc \([0-9.]*\).*/\1/p')"
for lang in C ASM; do
  expect_grep "$lang compiler named" "^-- The $lang compiler identification is Lumo8 $version\$" configure.log
done
expect_grep "configure checks compile" "buildsys checks: lumo.h=1 no_such_header.h=\$" configure.log

cmake --build build -v > build.log 2>&1 || { cat build.log; fail "build"; }
expect_eq "sources compiled" "$(compiled build.log)" "$(sources_of "$family")"
image="build/app$(suffix_of "$family")"
if [ "$family" = zir ]; then
  expect_eq "Intel HEX image" "$(head -c1 "$image")" ":"
else
  expect_eq "ELF image" "$(head -c4 "$image" | od -An -c | tr -d ' ')" "177ELF"
fi
case "$build_type/$family" in
  Debug/zir) flags="-O0" ;;
  Debug/tev) flags="-O0 -g" ;;
  Release/*) flags="-O2 -DNDEBUG" ;;
  MinSizeRel/*) flags="-Os -DNDEBUG" ;;
  RelWithDebInfo/zir) flags="-O2 -DNDEBUG" ;;
  RelWithDebInfo/tev) flags="-O2 -g -DNDEBUG" ;;
esac
expect_eq "compiles without the $build_type flags" \
  "$(grep -E -- ' -c ' build.log | grep -Fvc -- " $flags " || true)" 0

# Editors and checkers run the database's commands as they are: the objects
# come out the same.
objects() { find build -name '*.o' -print0 | sort -z | xargs -0 sha256sum; }
objects > before.sum
cmake -DDB=build/compile_commands.json -P "$BUILDSYS_SOURCE/rerun_compile_commands.cmake" > rerun.log 2>&1 \
  || { cat rerun.log; fail "compile_commands.json"; }
expect_grep "every source in the database" "^$(sources_of "$family" | wc -w) commands\$" rerun.log
objects > after.sum
cmp -s before.sum after.sum || { diff before.sum after.sum; fail "objects differ after the database's commands"; }
cmake --build build > relink.log 2>&1 || { cat relink.log; fail "build after the database's commands"; }

cmake --build build -v > noop.log 2>&1
expect_eq "tools run by a second build" "$(tool_runs noop.log)" 0

edit_header src/include/config.h build/CMakeFiles/app.dir/src/main.c.o "#define CONFIG_EDITED 1"
cmake --build build -v > edit.log 2>&1 || { cat edit.log; fail "build after the header edit"; }
expect_eq "sources rebuilt after config.h changed" "$(compiled edit.log)" "main.c vectors.S"
cmake --build build -v > noop2.log 2>&1
expect_eq "tools run by a build after the rebuild" "$(tool_runs noop2.log)" 0
work_end
