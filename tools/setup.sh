#!/usr/bin/env bash
# Installs everything the builds and tests need, from Debian packages. Idempotent; run as root.
# With --corpus it also installs the packages whose pictures tools/make-real-corpus.py draws from.
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

# Photographs, scans, drawings, textures, icons, sprites, fonts and X clients for the frame buffers.
corpus_packages=(
  xteddy eterm lomiri-wallpapers sway-backgrounds gimp-data-extras unpaper lbreakout2-data ltris
  xpenguins xbill desktop-base adwaita-icon-theme xfonts-base xfonts-terminus pcf2bdf x11-apps xterm
)

updated=0
# A mirror caught mid-sync fails one index file while the rest are fine: try again, and go on
# with what was fetched (apt keeps the older lists); the install itself still has to succeed.
refresh_package_lists() {
  local attempt
  for attempt in 1 2 3; do
    apt-get -o DPkg::Lock::Timeout=600 update -qq && return 0
    echo "setup: apt-get update failed (attempt $attempt)"
    sleep $((attempt * 10))
  done
  echo "setup: going on with the package lists apt has"
}

install_missing() {  # packages...
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [ "$updated" = 0 ]; then
    refresh_package_lists
    updated=1
  fi
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install_missing "${packages[@]}"
[ "${1:-}" = --corpus ] && install_missing "${corpus_packages[@]}"

if bash "$here/kernel-runs-32bit.sh"; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    updated=0
  fi
  # Only the 32-bit Windows suites need it: when the mirror cannot give it (its i386 lists
  # out of step with the amd64 ones), those suites are reported as not run, not the setup failed.
  if install_missing wine32:i386; then
    echo "setup: all packages present (with wine32: this kernel executes 32-bit programs)"
  else
    echo "setup: all other packages present; wine32 could not be installed from the mirror"
  fi
else
  echo "setup: all packages present (without wine32: this kernel cannot execute 32-bit programs)"
fi
