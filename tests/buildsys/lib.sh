# Shared by the build-system tests: a private work directory per test, the
# staged installation, and the checks they make. Sourced, not run.
#
# ctest gives LUMO_STAGE (the staged version directory), BUILDSYS_SOURCE
# (this directory) and BUILDSYS_WORK (where work directories go, in the
# build tree). Every temporary file of every tool goes below the work
# directory: TMPDIR points there, and a test fails when anything is left in
# it at the end.

set -euo pipefail
# What a developer's shell or a calling make may have set would change the
# builds under test.
unset CC CFLAGS ASM ASMFLAGS LDFLAGS LUMO8_DEVICE MAKEFLAGS MFLAGS MAKELEVEL \
  CMAKE_GENERATOR CMAKE_BUILD_TYPE CMAKE_TOOLCHAIN_FILE CMAKE_C_COMPILER_LAUNCHER \
  CMAKE_EXPORT_COMPILE_COMMANDS

lumo8_cc="$LUMO_STAGE/bin/lumo8-cc"
toolchain="$LUMO_STAGE/etc/cmake/lumo8-toolchain.cmake"
project="$BUILDSYS_SOURCE/project"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

expect_eq() {  # what actual expected
  [ "$2" = "$3" ] || fail "$1: expected [$3], got [$2]"
}

expect_grep() {  # what pattern file
  grep -Eq -- "$2" "$3" || { cat "$3" >&2; fail "$1: no line matches [$2] in $3"; }
}

# CMake wraps its messages: the text is looked for with every run of blanks
# and line ends taken as one blank.
expect_said() {  # what text file
  tr -s ' \n' '  ' < "$3" | grep -Fq -- "$2" || { cat "$3" >&2; fail "$1: [$2] not said in $3"; }
}

# The family's image suffix and the sources of the test project it builds.
family_of() {
  case "$1" in
    kx*|tev*|nolo*) echo tev ;;
    *) echo zir ;;
  esac
}
sources_of() {
  if [ "$1" = zir ]; then echo "app.c board.c idle.as main.c util.c vectors.S"; else echo "app.c board.c main.c util.c vectors.S"; fi
}
suffix_of() {
  if [ "$1" = zir ]; then echo .hex; else echo .elf; fi
}

# The sources a build log shows compiled, by file name, sorted.
compiled() {
  { grep -Eo -- ' -c [^ ]+' "$1" || true; } | sed 's|.* ||; s|.*/||' | sort | tr '\n' ' ' | sed 's/ $//'
}

# Commands of lumo8-cc and its librarian in a build log.
tool_runs() {
  { grep -Fc -e "$lumo8_cc " -e "$LUMO_STAGE/bin/lumo8-ar " "$1" || true; }
}

# Adds a line to a header (by default a declaration, which changes the
# preprocessed text that ccache's preprocessor mode hashes) and makes sure
# the header is newer than the reference file that build tools compare.
edit_header() {  # header reference [line]
  echo "${3:-void edited_$RANDOM$RANDOM(void);}" >> "$1"
  local tries=0
  while [ ! "$1" -nt "$2" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 30 ] || fail "$1 does not become newer than $2"
    sleep 0.1
    touch "$1"
  done
}

# A fresh work directory for the named test, with its own TMPDIR.
work_begin() {
  work="$BUILDSYS_WORK/$1"
  rm -rf "$work"
  mkdir -p "$work/tmp"
  export TMPDIR="$work/tmp"
  unset TEMP TMP
  cd "$work"
}

# Passes only when the tools left nothing in TMPDIR; the work directory is
# removed then, and kept for a look when the test failed.
work_end() {
  local left
  left="$(find "$work/tmp" -mindepth 1 | head -5)"
  [ -z "$left" ] || fail "temporary files were left behind: $left"
  cd /
  rm -rf "$work"
  echo "PASS"
}
