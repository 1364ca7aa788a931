#!/usr/bin/env bash
# Installs the Debian packages that building and testing lumo8-cc need.
# Runs as root on a fresh machine; does nothing when everything is present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build make
  ccache distcc
  g++ clang
  googletest libgtest-dev libgmock-dev
  libbenchmark-dev
  libzip-dev
  libclang-rt-14-dev valgrind
  lldb gcovr python3
  g++-mingw-w64-x86-64-posix wine64
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
