#!/usr/bin/env bash
# Installs the Debian packages that building and testing need. Idempotent and quiet when all is
# there. Never installs wine32: this kernel cannot run 32-bit binaries, and its presence makes the
# wine wrapper pick the 32-bit loader.
set -euo pipefail

packages=(
  cmake ninja-build
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine64 libwine-dev
  xvfb xdotool imagemagick x11-utils
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  googletest
  fonts-nanum
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
