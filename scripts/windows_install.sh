#!/usr/bin/env bash
# The staged Windows installation of a cross build (build-win/lumo8/v2.50),
# run under Wine the way a user runs it: the self test, the manifest in the
# Windows path style, the example project for a ZIR and a TEV device with
# the drivers found by their ".exe" names, a command file whose path has a
# blank reaching the driver whole, and the debug facility without a debugger
# or a zip library. Every failed check is reported; the
# script fails when any did.
#   scripts/windows_install.sh [BUILD_DIR]     (default: build-win)
set -uo pipefail

src="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$src/build-win}" && pwd)"
ver="$build/lumo8/v2.50"
wine=/usr/lib/wine/wine64
export WINEDEBUG=-all

[ -f "$ver/bin/lumo8-cc.exe" ] || { echo "windows_install: $ver/bin/lumo8-cc.exe not found; run scripts/windows.sh" >&2; exit 1; }

failed=0
check() {  # check LABEL COMMAND...: the command's status decides
  local label="$1"
  shift
  if "$@"; then
    echo "ok    $label"
  else
    echo "FAIL  $label"
    failed=$((failed + 1))
  fi
}
# The Windows name of a path on the Linux side (Wine's drive Z: is "/").
winname() { printf 'Z:%s' "${1//\//\\}"; }

work="$(mktemp -d "${TMPDIR:-/tmp}/lumo8-wine-XXXXXX")"
trap 'rm -rf "$work"' EXIT
cp "$src"/examples/blink/*.c "$src"/examples/blink/*.h "$work/"

# The self test of the staged installation, every group; its reports go to
# the working directory, outside the installation.
selftest() {
  (cd "$work" && "$wine" "$ver/bin/lumo8-cc.exe" --selftest=all) >"$work/selftest.txt" 2>&1 &&
    grep -q "; 0 failed" "$work/selftest.txt" && [ -s "$work/test_report.xml" ] ||
    { grep -v "^pass" "$work/selftest.txt" | tail -20
      # The console names a failed group only: the report names the case.
      grep -v "  pass  " "$work/test_report.txt" 2>/dev/null | head -40; return 1; }
}
check "--selftest=all passes" selftest

# Manifest lines: digest, " *", a name that begins with ".\" and has no
# forward slash, and the text file's CR LF.
manifest() {
  local m="$ver/manifest"
  [ -s "$m" ] || return 1
  ! grep -avE $'^[0-9a-f]{64} \\*\\.\\\\[^/\r]*\r$' "$m" | grep -q . || return 1
  grep -aqF ' *.\bin\lumo8-cc.exe' "$m" && grep -aqF ' *.\zir\bin\lumo8.exe' "$m"
}
check "the manifest names files as .\\dir\\name.exe with CR LF line ends" manifest

# The example, with -v: the echoed driver is the ".exe" program of the
# family's directory and the outputs are there.
example() {  # example DEVICE IMAGE DRIVER
  local dir="$work/$1"
  mkdir -p "$dir" && cp "$work"/*.c "$work"/*.h "$dir/"
  (cd "$dir" && "$wine" "$ver/bin/lumo8-cc.exe" -v "-mcpu=$1" -O2 -Wall -o "$2" main.c led.c) \
    >"$dir/out.txt" 2>&1 || { cat "$dir/out.txt"; return 1; }
  grep -qF "$(winname "$ver")\\$3 @" "$dir/out.txt" || { cat "$dir/out.txt"; return 1; }
  [ -s "$dir/$2" ]
}
check "ZIR example: zir\\bin\\lumo8.exe runs and writes blink.hex" example zir16c401 blink.hex 'zir\bin\lumo8.exe'
check "the HEX image ends with the end-of-file record" grep -aq '^:00000001FF' "$work/zir16c401/blink.hex"
check "TEV example: tev\\bin\\tev-gcc.exe runs and writes blink.elf" example kx32m2 blink.elf 'tev\bin\tev-gcc.exe'

# A temporary base with a blank: the driver gets "@...\with blank\lumo...\
# lumo8-cc_tmp_0.cmd" as one argument only if the spawn quotes it. Wine sets
# TEMP from its own registry, so the variable is set by its command shell.
blank() {
  mkdir -p "$work/with blank" "$work/blank"
  cp "$work"/*.c "$work"/*.h "$work/blank/"
  (cd "$work/blank" &&
    "$wine" cmd /c "set TEMP=$(winname "$work/with blank")&& $(winname "$ver/bin/lumo8-cc.exe") -v -mcpu=zir16c401 -c led.c") \
    >"$work/blank/out.txt" 2>&1 || { cat "$work/blank/out.txt"; return 1; }
  grep -qF "@$(winname "$work/with blank")\lumo" "$work/blank/out.txt" || { cat "$work/blank/out.txt"; return 1; }
  [ -s "$work/blank/led.p1" ] && [ -z "$(ls -A "$work/with blank")" ]
}
check "a command file under a path with a blank reaches the driver whole" blank

# The debug facility on a host without a debugger or a zip library: both
# warn, and the compile goes on normally.
nodebugger() {
  mkdir -p "$work/debug" && cp "$work"/*.c "$work"/*.h "$work/debug/"
  (cd "$work/debug" && "$wine" "$ver/bin/lumo8-cc.exe" --lumodebug=on,debug:lumo8,zip -mcpu=zir16c401 -c led.c) \
    >"$work/debug/out.txt" 2>&1 || { cat "$work/debug/out.txt"; return 1; }
  grep -qF 'Debugger "/usr/bin/lldb" is not available' "$work/debug/out.txt" "$work/debug/lumo8-cc-1.out" &&
    grep -qF 'Packaging is not available: the zip library (not part of this build)' "$work/debug/out.txt" &&
    [ -s "$work/debug/led.p1" ] && [ ! -e "$work/debug/lumo8_package.zip" ] || { cat "$work/debug/out.txt"; return 1; }
}
check "no debugger and no zip library: warnings, and a normal compile" nodebugger

if [ "$failed" -ne 0 ]; then
  echo "windows_install: $failed check(s) failed" >&2
  exit 1
fi
echo "windows_install: all checks passed"
