#!/usr/bin/env bash
# distcc in plain mode over two distccd servers on 127.0.0.1, for a ZIR and
# a TEV device: every C compile is preprocessed here and compiled by a
# server, nothing falls back to a local compile, and the outputs are the same
# as a local build's. The servers know lumo8-cc from a command list
# (DISTCC_CMDLIST) naming a link to it, as an installation registers it
# without touching distcc's whitelist directory; clients name it lumo8-cc.
source "$(dirname "$0")/lib.sh"
work_begin distcc

mkdir -p server-bin distcc
ln -s "$lumo8_cc" server-bin/lumo8-cc
echo "$work/server-bin/lumo8-cc" > commands
source "$BUILDSYS_SOURCE/../../scripts/local_distccd.sh"
servers=() hosts=""
stop_servers() {
  local dir
  for dir in "${servers[@]}"; do local_distccd_stop "$dir"; done
  servers=()
}
trap stop_servers EXIT
for server in server1 server2; do
  servers+=("$work/$server")
  local_distccd_start "$work/$server" "$work/commands" || fail "$server did not start"
  hosts="$hosts $local_distccd_host/1"
done

export PATH="$LUMO_STAGE/bin:$PATH" DISTCC_HOSTS="$hosts" DISTCC_DIR="$work/distcc" \
  DISTCC_FALLBACK=0 DISTCC_SKIP_LOCAL_RETRY=1 DISTCC_BACKOFF_PERIOD=0 DISTCC_IO_TIMEOUT=60 \
  DISTCC_VERBOSE=1 DISTCC_LOG="$work/client.log"
remote_jobs() { cat "$work/server1/log" "$work/server2/log" | grep -c ' COMPILE_OK ' || true; }
# Without -o (which distcc leaves out when it preprocesses) the GNU rules
# would name the dependency file after the source: name it and its target.
depflags='-MMD -MP -MF $(@:.o=.d) -MT $@'

for device in zir16c401 kx32m2; do
  family="$(family_of "$device")"
  rm -rf src && cp -r "$project" src && cd src
  build() {  # cc log
    timeout 300 make -j2 CC="$1" DEVICE="$device" FAMILY="$family" DEPFLAGS="$depflags" > "../$2" 2>&1 \
      || { cat "../$2" ../client.log ../server*/log; fail "$device: make ($2)"; }
  }
  build lumo8-cc local.log
  mv out ../reference
  : > ../client.log
  before="$(remote_jobs)"
  build "distcc lumo8-cc" distcc.log
  c_sources="$(ls src/*.c | wc -l)"
  expect_eq "$device: compiles run by the servers" "$(( $(remote_jobs) - before ))" "$c_sources"
  expect_eq "$device: sources preprocessed here" "$(grep -c '] cpp .* on localhost completed ok' ../client.log)" "$c_sources"
  if grep -E 'failed to distribute|fallback|ERROR|WARNING' ../client.log; then fail "$device: distcc fell back"; fi
  diff -r ../reference out > /dev/null || { diff -r ../reference out | head; fail "$device: outputs differ from a local build"; }
  rm -rf ../reference
  cd ..
done
for server in server1 server2; do
  grep -q ' COMPILE_OK ' "$server/log" || fail "$server compiled nothing"
done
stop_servers
for server in server1 server2; do
  [ -z "$(ls -A "$server/tmp")" ] || fail "$server left files: $(ls -A "$server/tmp")"
done
work_end
