#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, the 32-bit Wine among them, and
# where the kernel refuses 32-bit code, the user-mode emulator that Wine's 32-bit loader then runs
# under (scripts/wine-env.sh sets that up). Idempotent and quiet when all is there.
set -euo pipefail

packages=(
  cmake ninja-build
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 mingw-w64-tools binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine64 wine32:i386 libwine-dev
  xvfb xdotool imagemagick x11-utils
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  googletest
  # Letters of every script the demonstration and the tests name files in: Hangul, Thai, emoji;
  # the demonstration merges them into one face (scripts/demo-font.py).
  fonts-nanum fonts-tlwg-loma fonts-symbola python3-fonttools
  locales
)

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

# A mirror in the middle of a sync serves an index of the wrong size, and apt-get update then fails
# for that index alone. A few tries give the mirror time; when one index still fails, the packages
# come from the release's own suite: an i386 package must have the very version of its amd64
# sibling, and with the security suite's i386 index missing, the amd64 candidates from that suite
# would leave the 32-bit Wine "held broken".
index_read=""
apt_update() {
  [ -n "$index_read" ] && return 0
  local attempt log
  log=$(mktemp)
  for attempt in 1 2 3; do
    if $SUDO apt-get update -qq >"$log" 2>&1; then
      index_read=yes
      rm -f "$log"
      return 0
    fi
    [ "$attempt" = 3 ] || sleep $((attempt * 5))
  done
  index_read=partly
  echo "setup: a package index could not be read after three tries; installing from the release's own suite:" >&2
  grep -E '^(E|W):' "$log" | head -n 3 | sed 's/^/  /' >&2
  rm -f "$log"
}

release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")

apt_install() {
  local log
  log=$(mktemp)
  if [ "$index_read" = yes ] && $SUDO apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  if [ -n "$release" ] && $SUDO apt-get install -y -qq --no-install-recommends -t "$release" "$@" >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  echo "setup: installing $* failed:" >&2
  grep -E '^(E|W):|held broken|Depends:' "$log" | head -n 12 | sed 's/^/  /' >&2
  rm -f "$log"
  echo "setup: what to do: run 'apt-get update' until it reads every index (a mirror may be syncing)," >&2
  echo "       then run this script again; 'apt-get install -t ${release:-<release>} <package>' takes both" >&2
  echo "       architectures from the release's own suite when its security suite lags." >&2
  return 1
}

mapfile -t missing < <(missing_of "${packages[@]}")
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  apt_update
  apt_install "${missing[@]}"
fi

# Some kernels of this kind of machine refuse 32-bit code ("32-bit emulation disabled"): Wine's
# 32-bit loader then runs under user-mode emulation, which needs the static qemu for i386.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  mapfile -t missing < <(missing_of qemu-user-static)
  if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: this kernel refuses 32-bit code; installing qemu-user-static for Wine's 32-bit loader"
    apt_update
    apt_install qemu-user-static
  fi
fi

# Wine maps Windows file names to Unix ones through the host's locale: names outside the ANSI code
# page of a Korean desktop (Thai, emoji) exist only when that locale is generated.
if ! locale -a 2>/dev/null | grep -qix 'ko_KR.utf-\?8'; then
  echo "setup: generating the ko_KR.UTF-8 locale"
  $SUDO sed -i 's/^# *\(ko_KR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ko_KR.UTF-8 UTF-8' /etc/locale.gen || echo 'ko_KR.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
