#!/usr/bin/env bash
# Builds the example project through the staged installation of a build
# tree, for one ZIR and one TEV device, in the two ways a project uses it:
# lumo8-cc called directly, and CMake with the installation's toolchain
# file. Says where the outputs are.
#   bash scripts/example.sh [BUILD_DIR]     (default: build)
set -euo pipefail

top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-build}" && pwd)"
cc="$build/lumo8/v2.50/bin/lumo8-cc"
src="$top/examples/blink"
out="$build/example"

if [ ! -x "$cc" ]; then
  echo "example: $cc not found; build first (cmake --build $build)" >&2
  exit 1
fi

build_for() {
  local device="$1" dir="$2" image="$3"
  rm -rf "$dir" && mkdir -p "$dir"
  echo "== $device"
  (cd "$dir" && "$cc" -v "-mcpu=$device" -O2 -Wall -o "$image" "$src/main.c" "$src/led.c")
}

# The same sources as a CMake project: the toolchain file picks lumo8-cc and
# the device, and names the image after the family (.hex, .elf).
cmake_for() {
  local device="$1" dir="$2"
  rm -rf "$dir"
  echo "== $device (CMake)"
  cmake -G Ninja -S "$src" -B "$dir" -DLUMO8_DEVICE="$device" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$build/lumo8/v2.50/etc/cmake/lumo8-toolchain.cmake"
  cmake --build "$dir" -v
}

build_for zir16c401 "$out/zir" blink.hex
build_for kx32m2 "$out/tev" blink.elf
cmake_for zir16c401 "$out/cmake-zir"
cmake_for kx32m2 "$out/cmake-tev"

echo
echo "example outputs:"
find "$out" -type f \( -name '*.hex' -o -name '*.elf' \) | sort | sed 's/^/  /'
