#!/usr/bin/env bash
# Configure fails with one clear message when the device is missing or
# unknown, when the toolchain file is not in an installation, and when the
# installation lacks the family's back end. The example project builds with
# the device taken from the environment.
source "$(dirname "$0")/lib.sh"
work_begin cmake-configure

mkdir src
printf 'cmake_minimum_required(VERSION 3.20)\nproject(p LANGUAGES C)\n' > src/CMakeLists.txt
# A copy of the installation (hard links where the file system allows)
# without the TEV back end, and the toolchain file alone elsewhere.
cp -al "$LUMO_STAGE" broken 2>/dev/null || cp -a "$LUMO_STAGE" broken
rm broken/tev/bin/tev-gcc
mkdir -p moved/etc && cp -r "$LUMO_STAGE/etc/cmake" moved/etc/

configure() {  # name toolchain [cmake arguments...]
  local name="$1" file="$2"
  shift 2
  ! cmake -G Ninja -S src -B "b-$name" -DCMAKE_TOOLCHAIN_FILE="$file" "$@" > "$name.log" 2>&1 \
    || { cat "$name.log"; fail "$name: configure succeeded"; }
  expect_eq "$name: errors reported" "$(grep -c 'CMake Error' "$name.log")" 1
}
unset LUMO8_DEVICE
configure no-device "$toolchain"
expect_said "no device" "no device given. Configure with -DLUMO8_DEVICE=<device>" no-device.log
expect_said "no device: the listing named" "\"$lumo8_cc\" -mprint-devices lists the devices" no-device.log
for device in zir16c999 pic16f84; do
  configure "$device" "$toolchain" -DLUMO8_DEVICE="$device"
  expect_said "unknown device $device" "\"$device\" is not a device of the installation in $LUMO_STAGE." "$device.log"
done
configure moved "$work/moved/etc/cmake/lumo8-toolchain.cmake" -DLUMO8_DEVICE=kx32m2
expect_said "toolchain file outside an installation" "there is no lumo8-cc at \"$work/moved/bin/lumo8-cc\"" moved.log
configure broken "$work/broken/etc/cmake/lumo8-toolchain.cmake" -DLUMO8_DEVICE=kx32m2
expect_said "installation without tev-gcc" "the installation in $work/broken cannot compile for kx32m2" broken.log
expect_said "installation without tev-gcc: lumo8-cc's reason" "(2045) could not find executable \"tev-gcc\"" broken.log

# The example project, with the device from the environment.
LUMO8_DEVICE=kx32m2 cmake -G Ninja -S "$BUILDSYS_SOURCE/../../examples/blink" -B b-env \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" > env.log 2>&1 && cmake --build b-env >> env.log 2>&1 \
  || { cat env.log; fail "the example with the device from the environment"; }
expect_grep "device from the environment kept" "^LUMO8_DEVICE:STRING=kx32m2\$" b-env/CMakeCache.txt
[ -s b-env/blink.elf ] || fail "the example's image"
work_end
