# Sourced by the scripts: the environment of one test session in a build tree. Defines
#   lumorex_wine_up <build dir>   a Wine prefix in the build tree (created once), a persistent
#                                 wineserver and an Xvfb display on a free number
#   lumorex_wine_down             stops what lumorex_wine_up started
# shellcheck shell=bash

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
LUMOREX_XVFB_PID=""

lumorex_free_display() {
  local n
  for n in $(seq 91 160); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { echo "$n"; return 0; }
  done
  return 1
}

lumorex_wine_up() {
  local build=$1
  export WINEPREFIX="$build/wineprefix"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating the prefix $WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    "$WINESERVER" -w
    # A crashing test ends with a status and a backtrace, never a dialog that waits.
    "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  fi
  # A server that the steps above (or an earlier run) left lingering would refuse the persistent one.
  "$WINESERVER" -w
  "$WINESERVER" -p
  local display
  display=$(lumorex_free_display) || { echo "no free X display" >&2; return 1; }
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  LUMOREX_XVFB_PID=$!
  export DISPLAY=":$display"
  for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
  done
  [ -e "/tmp/.X11-unix/X$display" ] || { echo "Xvfb did not start on $DISPLAY" >&2; return 1; }
  # The first program starts Wine's own background processes (services, the desktop window),
  # which live as long as the wineserver. Starting them here with no pipes attached keeps them
  # from holding the output pipes of the first test program open.
  "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

lumorex_wine_down() {
  [ -n "${WINEPREFIX:-}" ] && "$WINESERVER" -k >/dev/null 2>&1 || true
  if [ -n "$LUMOREX_XVFB_PID" ]; then
    kill "$LUMOREX_XVFB_PID" 2>/dev/null || true
    wait "$LUMOREX_XVFB_PID" 2>/dev/null || true
    LUMOREX_XVFB_PID=""
  fi
}

# For the scripts that run programs of the x64 build by hand: sets up the machine, builds, and
# brings Wine up until the calling script exits.
lumorex_x64_session() {
  local root=$1
  "$root/scripts/setup.sh"
  cmake --preset x64 >/dev/null
  cmake --build --preset x64
  trap lumorex_wine_down EXIT
  lumorex_wine_up "$root/build/x64"
}
