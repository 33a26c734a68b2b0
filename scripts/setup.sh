#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, the 32-bit Wine among them (i386
# packages: this kernel runs 32-bit code). Idempotent and quiet when all is there.
set -euo pipefail

packages=(
  cmake ninja-build
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 mingw-w64-tools binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine64 wine32:i386 libwine-dev
  xvfb xdotool imagemagick x11-utils
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  googletest
  fonts-nanum
  locales
)

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine maps Windows file names to Unix ones through the host's locale: names outside the ANSI code
# page of a Korean desktop (Thai, emoji) exist only when that locale is generated.
if ! locale -a 2>/dev/null | grep -qix 'ko_KR.utf-\?8'; then
  echo "setup: generating the ko_KR.UTF-8 locale"
  $SUDO sed -i 's/^# *\(ko_KR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ko_KR.UTF-8 UTF-8' /etc/locale.gen || echo 'ko_KR.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
