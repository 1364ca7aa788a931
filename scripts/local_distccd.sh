# distccd servers on 127.0.0.1 for the build-system tests and the build
# benchmark. Sourced, not run; the caller owns set -e and its traps.
#
#   local_distccd_start DIR COMMANDS   starts a server that keeps its log, pid
#                                      and temporary files in DIR and serves
#                                      the compilers listed in the file
#                                      COMMANDS (DISTCC_CMDLIST); on a free
#                                      port, tried at random. Sets
#                                      local_distccd_host to "127.0.0.1:PORT".
#   local_distccd_stop DIR             stops it by its pid and waits for it.
#
# The server lives at most 10 minutes even if nobody stops it. Started by
# root, distccd runs as its own user, so DIR is made writable for it.

local_distccd_start() {
  local dir="$1" commands="$2" attempt port tries
  mkdir -p "$dir/tmp" && chmod 0777 "$dir" "$dir/tmp"
  for attempt in $(seq 10); do
    port=$((20000 + RANDOM % 40000))
    rm -f "$dir/log" "$dir/pid"
    DISTCC_CMDLIST="$commands" TMPDIR="$dir/tmp" timeout 600 setsid distccd --daemon --no-detach \
      --listen 127.0.0.1 --allow 127.0.0.1 --port "$port" --jobs 2 --log-level=info \
      --log-file="$dir/log" --pid-file="$dir/pid" < /dev/null > "$dir/out" 2>&1 &
    echo $! > "$dir/timeout"
    for tries in $(seq 50); do
      if grep -q "listening on 127.0.0.1:$port" "$dir/log" 2>/dev/null && [ -s "$dir/pid" ]; then
        local_distccd_host="127.0.0.1:$port"
        return 0
      fi
      kill -0 "$(cat "$dir/timeout")" 2>/dev/null || break
      sleep 0.1
    done
    local_distccd_stop "$dir"
  done
  echo "no distccd could listen on a free port; its last log:" >&2
  cat "$dir/log" >&2 2>/dev/null || true
  return 1
}

local_distccd_stop() {
  local dir="$1" pid tries
  [ -f "$dir/timeout" ] || return 0
  pid="$(cat "$dir/pid" 2>/dev/null || true)"
  if [ -n "$pid" ]; then
    kill -TERM "$pid" 2>/dev/null || true
    for tries in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL -- "-$pid" 2>/dev/null || true
  fi
  kill -TERM "$(cat "$dir/timeout")" 2>/dev/null || true
  wait "$(cat "$dir/timeout")" 2>/dev/null || true
  rm -f "$dir/timeout"
}
