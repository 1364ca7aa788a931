#!/usr/bin/env bash
# The Windows leg: cross-builds everything in build-win with mingw-w64 (the
# toolchain file cmake/mingw-w64.cmake), writes the staged installation's
# manifest under Wine, runs the Windows build's tests under Wine through
# ctest, and then the staged installation (scripts/windows_install.sh).
# Installs nothing: scripts/setup.sh brings the compilers and Wine.
#   scripts/windows.sh [ctest arguments...]
#
# The Windows build registers the tests that run there: the containers and
# text services of common/, the host rules of the process layer, the tool
# chain's host services, the trace and alert facility, the self test's
# framework, the option table, the command line in-process and through the
# built program, and the option translation end to end (tests/CMakeLists.txt
# says which stay POSIX-only).
set -euo pipefail

src="$(cd "$(dirname "$0")/.." && pwd)"
build="$src/build-win"

for tool in x86_64-w64-mingw32-g++-posix /usr/lib/wine/wine64 /usr/lib/wine/wineserver; do
  command -v "$tool" >/dev/null || { echo "windows.sh: $tool is missing; run scripts/setup.sh" >&2; exit 1; }
done

export WINEDEBUG=-all
wine=/usr/lib/wine/wine64
# One Wine server for the whole leg, kept until the leg ends: every test
# program starts in a second or so instead of bringing up its own. Wine's
# own services start with the first program and live as long as the
# server; a first program with its streams away from the build makes sure
# they hold none of ninja's or ctest's pipes open.
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
# The server starts in Wine's prefix (WINEPREFIX, else ~/.wine), which a
# new machine does not have yet; the first program below fills it.
mkdir -p "${WINEPREFIX:-$HOME/.wine}"
"$wineserver" -k 2>/dev/null || true
"$wineserver" -p
trap '"$wineserver" -k 2>/dev/null || true' EXIT
"$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true

cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" >/dev/null
cmake --build "$build"
# ctest lists the tests of every program before it runs any, and one failed
# listing fails the whole leg. Under Wine a freshly linked program now and
# then ends its first start with status 1 and no output, so each is started
# once first, up to three times; a program that cannot list its tests at all
# still fails the listing below.
for exe in "$build"/tests/test_*.exe; do
  for attempt in 1 2 3; do
    "$wine" "$exe" --gtest_list_tests </dev/null >/dev/null 2>&1 && break
  done
done
ctest --test-dir "$build" -j2 --timeout 60 --output-on-failure "$@"
# The staged installation as a user runs it.
bash "$src/scripts/windows_install.sh" "$build"
