#!/usr/bin/env bash
# The subsystem libraries form layers: every link goes one way, and a source
# file includes only headers of its own library or of the libraries it links.
#
#   bash scripts/check_layers.sh BUILD_DIR
#
# Reads the link graph from CMake's own --graphviz output of the configured
# build (a re-run of its configure step, which leaves the build as it is),
# prints the links between the project's libraries and fails when they form
# a cycle or when an include of a product header reaches a library that is
# not below the including file's. ctest runs it as the test "check_layers".
set -euo pipefail

build=${1:?usage: check_layers.sh BUILD_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake "--graphviz=$work/layers.dot" "$build" > "$work/configure.log" 2>&1 || {
  cat "$work/configure.log" >&2
  exit 1
}

# "from to" for every link between two libraries (executables and custom
# targets left out; external libraries stay, they have no links of their own).
awk '
  /^ *"node[0-9]+" \[ label = / {
    match($0, /label = "[^"]*"/); name = substr($0, RSTART + 9, RLENGTH - 10)
    match($0, /shape = [a-z]+/); shape = substr($0, RSTART + 8, RLENGTH - 8)
    split($0, f, "\""); id = f[2]
    label[id] = name; library[id] = shape != "egg" && shape != "box"
  }
  /^ *"node[0-9]+" -> "node[0-9]+"/ {
    split($0, f, "\"")
    if (library[f[2]] && library[f[4]]) print label[f[2]], label[f[4]]
  }' "$work/layers.dot" | sort -u > "$work/links"

echo "library links:"
awk '$1 ~ /^lumo_/ && $2 ~ /^lumo_/ { printf "  %-16s -> %s\n", $1, $2 }' "$work/links"

if ! tsort < "$work/links" > /dev/null 2> "$work/tsort.err"; then
  # tsort names the libraries of each loop it finds, one a line.
  sed -e 's/^tsort: .*loop.*/error: the libraries form a cycle:/' -e 's/^tsort: /  /' "$work/tsort.err" >&2
  exit 1
fi

# The library of each product file, most specific prefix first: the trace
# core is the part of debug/ below common/, and the command line is the part
# of driver/ the tool-chain programs use.
library_table='
debug/lumodebug_trace   lumo_trace
debug/lumodebug_assert  lumo_trace
debug/lumodebug_state   lumo_trace
debug/                  lumo_debug
common/                 lumo_common
devices/                lumo_devices
selftests/              lumo_selftests
driver/cmdline          lumo_cmdline
driver/getargs          lumo_cmdline
driver/                 lumo_driver
toolchain/support/      lumo_toolchain
toolchain/tools/arlib   lumo_tools
toolchain/tools/manifest lumo_tools
'

cd "$here"
# "file header" for every quoted include of a file in those folders.
find common debug devices selftests driver toolchain/support toolchain/tools -name '*.cpp' -o -name '*.h' |
while read -r file; do
  sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" |
    while read -r header; do echo "$file $header"; done
done > "$work/includes"

awk -v table="$library_table" '
  function library_of(path,   i) {
    for (i = 1; i <= n; ++i)
      if (substr(path, 1, length(prefix[i])) == prefix[i]) return lib[i]
    return ""
  }
  function reaches(from, to,   stack, seen, top, node, i) {
    if (from == to) return 1
    top = 0; stack[++top] = from; seen[from] = 1
    while (top > 0) {
      node = stack[top--]
      for (i = 1; i <= edges[node]; ++i) {
        if (edge[node, i] == to) return 1
        if (!seen[edge[node, i]]++) stack[++top] = edge[node, i]
      }
    }
    return 0
  }
  BEGIN {
    rows = split(table, line, "\n")
    for (r = 1; r <= rows; ++r)
      if (split(line[r], cell, " ") == 2) { prefix[++n] = cell[1]; lib[n] = cell[2] }
  }
  FNR == NR { edge[$1, ++edges[$1]] = $2; next }
  {
    from = library_of($1); to = library_of($2)
    if (from == "" || to == "" || reaches(from, to)) next
    printf "error: %s (%s) includes %s (%s), which %s does not link\n", $1, from, $2, to, from
    bad = 1
  }
  END { exit bad }' "$work/links" "$work/includes" >&2

echo "no cycles; every include stays within the libraries a file links"
