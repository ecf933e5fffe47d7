#!/usr/bin/env bash
# Installs everything the builds and tests need, from Debian packages. Idempotent; run as root.
# Wine's 32-bit half (wine32 from the i386 architecture) is installed only where the kernel
# executes 32-bit programs; elsewhere it could not start.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libbenchmark-dev libstb-dev
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  gcc-i686-linux-gnu g++-i686-linux-gnu libc6-dev-i386-cross qemu-user-static
  wine64 xvfb xauth xdotool x11-utils imagemagick python3
  help2man man-db groff-base zip unzip dpkg-dev file
)

updated=0
install_missing() {  # packages...
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [ "$updated" = 0 ]; then
    apt-get -o DPkg::Lock::Timeout=600 update -qq
    updated=1
  fi
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install_missing "${packages[@]}"

if bash "$here/kernel-runs-32bit.sh"; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    updated=0
  fi
  install_missing wine32:i386
  echo "setup: all packages present (with wine32: this kernel executes 32-bit programs)"
else
  echo "setup: all packages present (without wine32: this kernel cannot execute 32-bit programs)"
fi
