# Sourced by the scripts: the environment of one test session in a build tree. Defines
#   lumorex_wine_up <build dir>       a Wine prefix in the build tree (created once), a persistent
#                                     wineserver and an Xvfb display on a free number
#   lumorex_monitors_up <build dir>   the two-monitor display: Xorg with the dummy driver showing a
#                                     primary monitor and a second one left of it, with a Wine
#                                     prefix and wineserver of its own (one wineserver serves one X
#                                     display); sets the two variables below
#   lumorex_monitors_check <build dir>  sets LUMOREX_MONITORS_DISPLAY and LUMOREX_MONITORS_PREFIX
#                                     from the two-monitor display that is up, or fails saying how
#                                     to bring it up
#   lumorex_prefix_up <prefix>        another prefix on the current display, with a persistent
#                                     wineserver of its own, for programs that must not share
#                                     the session's registry
#   lumorex_wine_down                 stops what the ups started
#   lumorex_run_unpiped <program>...  runs a program with its output through a file (ctest's
#                                     emulators use it: see there why)
# shellcheck shell=bash

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
LUMOREX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# How this machine runs 32-bit Windows programs, decided once (the choice is exported, so the
# scripts and ctest's wrappers that source this file again inherit it) and told once:
#   native    the kernel runs 32-bit code: Wine's own 32-bit loader
#   emulated  the kernel refuses it: the 32-bit loader under user-mode emulation (qemu-i386), from
#             a copy of Wine's loaders in build/wine32emu whose wine-preloader starts the emulator
#   none      neither works: only the 64-bit parts run
# LUMOREX_32BIT=native|emulated|none asks for one way instead of the first that works (emulated
# works where the kernel runs 32-bit code too; none runs only the 64-bit parts).
# WINE runs every program (a 64-bit one itself, a 32-bit one through the 32-bit loader), WINE32 a
# 32-bit one as fast as this machine can, WINESERVER is the server of both.
lumorex_wine_kind() {
  local asked=${LUMOREX_32BIT:-} folder=$LUMOREX_ROOT/build/wine32emu why=""
  export LUMOREX_WINE32_MODE=none WINE=/usr/lib/wine/wine64 WINE32="" WINESERVER=/usr/lib/wine/wineserver
  if ! /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
    why="Wine is not installed (scripts/setup.sh)"
  elif [ "$asked" = none ]; then
    why="LUMOREX_32BIT=none asks for the 64-bit parts only"
  elif [ "$asked" != emulated ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    export LUMOREX_WINE32_MODE=native WINE32=/usr/lib/wine/wine
    echo "wine: 32-bit programs run natively with Wine's 32-bit loader (this kernel runs 32-bit code)" >&2
    return 0
  elif [ "$asked" = native ]; then
    why="LUMOREX_32BIT=native, but this kernel refuses 32-bit code or the 32-bit Wine is missing"
  elif [ ! -x /usr/bin/qemu-i386-static ]; then
    why="this kernel refuses 32-bit code and qemu-user-static is missing (scripts/setup.sh)"
  elif lumorex_wine32emu_folder "$folder" && "$folder/lib/wine/wine64" --version >/dev/null 2>&1; then
    export LUMOREX_WINE32_MODE=emulated WINE=$folder/lib/wine/wine64 WINE32=$folder/lib/wine/wine64
    export WINESERVER=$folder/lib/wine/wineserver
    if [ "$asked" = emulated ]; then why="LUMOREX_32BIT=emulated asks for it"; else why="this kernel refuses 32-bit code"; fi
    echo "wine: 32-bit programs run with Wine's 32-bit loader under user-mode emulation (qemu-i386):" \
      "$why; a 32-bit process takes seconds to start and runs several times slower" >&2
    return 0
  else
    why="the loader folder for user-mode emulation could not be made in $folder"
  fi
  echo "wine: 32-bit programs do not run here: $why; only the 64-bit parts run" >&2
}

# Wine takes its folder from its own executable's real path and starts a 32-bit process through
# the wine-preloader of that folder when there is one (Debian ships none). So the folder holds real
# copies of the two loaders, links to the rest of Wine, and a preloader that runs the 32-bit loader
# under qemu, keeping the emulator's address space below the 32-bit top (without -R, qemu takes
# most of a minute to start each process; 0x80000000 is too little for Wine). The C runtime's
# unwinder is loaded at the start: a thread's end loads it otherwise, when the emulated address
# space may have no room left for it ("libgcc_s.so.1 must be installed for pthread_exit to work",
# then the emulated process dies).
lumorex_wine32emu_folder() {
  local folder=$1 link
  local preloader
  preloader=$(printf '#!/bin/sh\nexec /usr/bin/qemu-i386-static -R 0x81000000 -E LD_PRELOAD=%s "$@"' \
    /usr/lib/i386-linux-gnu/libgcc_s.so.1)
  [ "$(cat "$folder/lib/wine/wine-preloader" 2>/dev/null)" = "$preloader" ] &&
    cmp -s /usr/lib/wine/wine64 "$folder/lib/wine/wine64" && cmp -s /usr/lib/wine/wine "$folder/lib/wine/wine" && return 0
  rm -rf "$folder"
  mkdir -p "$folder/lib/wine" "$folder/lib/x86_64-linux-gnu" "$folder/lib/i386-linux-gnu" "$folder/share" || return 1
  cp /usr/lib/wine/wine /usr/lib/wine/wine64 "$folder/lib/wine/" || return 1
  for link in lib/wine/wineserver:/usr/lib/wine/wineserver64 lib/x86_64-linux-gnu/wine:/usr/lib/x86_64-linux-gnu/wine \
    lib/i386-linux-gnu/wine:/usr/lib/i386-linux-gnu/wine share/wine:/usr/share/wine; do
    ln -s "${link#*:}" "$folder/${link%%:*}" || return 1
  done
  printf '%s\n' "$preloader" >"$folder/lib/wine/wine-preloader" &&
    chmod +x "$folder/lib/wine/wine-preloader"
}

[ -n "${LUMOREX_WINE32_MODE:-}" ] || lumorex_wine_kind
LUMOREX_XVFB_PID=""
LUMOREX_XORG_PID=""
LUMOREX_MONITORS_DIR=""
LUMOREX_PREFIXES=()

lumorex_free_display() {
  local n pid
  for n in $(seq 91 160); do
    if [ -e "/tmp/.X$n-lock" ]; then
      # A lock whose server is gone is stale: the next server on that number clears it.
      pid=$(tr -dc '0-9' <"/tmp/.X$n-lock" 2>/dev/null || true)
      [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && continue
    elif [ -e "/tmp/.X11-unix/X$n" ]; then
      continue
    fi
    echo "$n"
    return 0
  done
  return 1
}

# Waits until the X server of <pid> answers on <display>; fails with the end of its logs when it
# died or did not answer in time.
lumorex_wait_x() {
  local display=$1 pid=$2 log
  shift 2
  for _ in $(seq 1 200); do
    xdpyinfo -display "$display" >/dev/null 2>&1 && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "the X server on $display did not start" >&2
  for log in "$@"; do
    [ -s "$log" ] && { echo "-- the end of $log:" && tail -n 12 "$log"; } >&2
  done
  return 1
}

# Creates the prefix once, then starts its persistent wineserver and Wine's own background
# processes on the current DISPLAY. A prefix must run 32-bit programs too: one made before the
# 32-bit Wine was installed cannot, and is made again.
lumorex_wine_prefix() {
  local prefix=$1 attempt
  for attempt in 1 2; do
    if [ ! -f "$prefix/system.reg" ]; then
      echo "wine: creating the prefix $prefix"
      WINEPREFIX=$prefix "$WINE" wineboot -i >/dev/null 2>&1 || true
      WINEPREFIX=$prefix "$WINESERVER" -w
      # A crashing test ends with a status and a backtrace, never a dialog that waits.
      WINEPREFIX=$prefix "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1
    fi
    # A server that the steps above (or an earlier run) left lingering would refuse the persistent one.
    WINEPREFIX=$prefix "$WINESERVER" -w
    WINEPREFIX=$prefix "$WINESERVER" -p
    # The first program starts Wine's own background processes (services, the desktop window),
    # which live as long as the wineserver. Starting them here with no pipes attached keeps them
    # from holding the output pipes of the first test program open.
    WINEPREFIX=$prefix "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
    [ "$LUMOREX_WINE32_MODE" = none ] && return 0
    lumorex_runs_32bit "$prefix" && return 0
    [ "$attempt" = 2 ] && break
    echo "wine: the prefix $prefix cannot run 32-bit programs; making it again" >&2
    WINEPREFIX=$prefix "$WINESERVER" -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
  done
  export LUMOREX_WINE32_MODE=none WINE32=""
  echo "wine: 32-bit programs do not run in $prefix ($WINE); only the 64-bit parts run" >&2
}

# Whether a 32-bit program runs in the prefix. A broken 32-bit setup may print nothing and exit 0,
# so the program must say what it was asked to.
lumorex_runs_32bit() {
  local said
  said=$(WINEPREFIX=$1 "$WINE32" 'C:\windows\syswow64\cmd.exe' /c echo lumorex-32-bit </dev/null 2>/dev/null |
    tr -d '\r') || true
  [ "$said" = lumorex-32-bit ]
}

# Runs a program with its output going to a file that is printed when it ends, and ends with its
# status. The first program that needs the desktop makes Wine start its desktop process, which then
# lives as long as the wineserver with the output handles of that program: given ctest's pipe, it
# held the pipe open, and ctest waited for the case until its timeout (120 s, or 900 s emulated),
# though the case had passed in a second. A file held that way holds up nobody.
lumorex_run_unpiped() {
  local output status=0
  output=$(mktemp)
  "$@" >"$output" 2>&1 </dev/null || status=$?
  cat "$output"
  rm -f "$output"
  return "$status"
}

lumorex_prefix_up() {
  LUMOREX_PREFIXES+=("$1")
  lumorex_wine_prefix "$1"
}

# Sessions of several build trees may start at once: a display number is taken and its server
# answers before the next session looks for a free one.
lumorex_display_lock() { exec 9>/tmp/.lumorex-display.lock && flock 9; }
lumorex_display_unlock() { flock -u 9 && exec 9>&-; }

lumorex_wine_up() {
  local build=$1 display
  mkdir -p "$build"
  lumorex_display_lock
  display=$(lumorex_free_display) || { lumorex_display_unlock; echo "no free X display" >&2; return 1; }
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$build/xvfb.log" 2>&1 9>&- &
  LUMOREX_XVFB_PID=$!
  lumorex_wait_x ":$display" "$LUMOREX_XVFB_PID" "$build/xvfb.log" || { lumorex_display_unlock; return 1; }
  lumorex_display_unlock
  export DISPLAY=":$display"
  export WINEPREFIX="$build/wineprefix"
  lumorex_wine_prefix "$WINEPREFIX"
}

# The primary monitor at (0, 0), 1024 x 768, and a second of 1024 x 576 left of it: at negative
# x, and shorter, so that the virtual screen (-1024, 0)-(1024, 768) has a gap below it. The tests
# pin the same layout.
lumorex_monitors_up() {
  local build=$1 display
  command -v Xorg >/dev/null || { echo "Xorg is missing: run scripts/setup.sh" >&2; return 1; }
  LUMOREX_MONITORS_DIR="$build/monitors"
  mkdir -p "$LUMOREX_MONITORS_DIR"
  rm -f "$LUMOREX_MONITORS_DIR/session.env"
  cat >"$LUMOREX_MONITORS_DIR/xorg.conf" <<'CONF'
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
  Modeline "1024x768" 63.50 1024 1072 1176 1328 768 771 775 798 -hsync +vsync
  Modeline "1024x576" 46.50 1024 1064 1160 1296 576 579 584 599 -hsync +vsync
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes "1024x768"
    Virtual 2048 768
  EndSubSection
EndSection
CONF
  lumorex_display_lock
  display=$(lumorex_free_display) || { lumorex_display_unlock; echo "no free X display" >&2; return 1; }
  rm -f "$LUMOREX_MONITORS_DIR/xorg.log"
  Xorg ":$display" -noreset -nolisten tcp -config "$LUMOREX_MONITORS_DIR/xorg.conf" \
    -logfile "$LUMOREX_MONITORS_DIR/xorg.log" >"$LUMOREX_MONITORS_DIR/xorg.out" 2>&1 </dev/null 9>&- &
  LUMOREX_XORG_PID=$!
  lumorex_wait_x ":$display" "$LUMOREX_XORG_PID" "$LUMOREX_MONITORS_DIR/xorg.out" "$LUMOREX_MONITORS_DIR/xorg.log" ||
    { lumorex_display_unlock; return 1; }
  lumorex_display_unlock
  # The dummy driver starts with one output lit; the second comes in left of the primary.
  local x="xrandr -display :$display"
  { $x --fb 2048x768 && $x --addmode DUMMY1 1024x576 && $x --output DUMMY1 --mode 1024x576 --left-of DUMMY0 &&
    $x --output DUMMY0 --primary; } || { echo "xrandr could not set up two monitors on :$display" >&2; return 1; }
  lumorex_count_monitors ":$display" 2 || return 1
  (export DISPLAY=":$display" && lumorex_wine_prefix "$build/wineprefix-monitors") || return 1
  printf 'LUMOREX_MONITORS_DISPLAY=:%s\nLUMOREX_MONITORS_PREFIX=%s\n' "$display" "$build/wineprefix-monitors" \
    >"$LUMOREX_MONITORS_DIR/session.env"
  lumorex_monitors_check "$build"
}

lumorex_count_monitors() {
  local found
  found=$(xrandr -display "$1" --listmonitors 2>/dev/null | sed -n 's/^Monitors: //p')
  [ "$found" = "$2" ] && return 0
  echo "the display $1 shows ${found:-no} monitors, not $2" >&2
  return 1
}

lumorex_monitors_check() {
  local state="$1/monitors/session.env"
  LUMOREX_MONITORS_DISPLAY="" LUMOREX_MONITORS_PREFIX=""
  # shellcheck disable=SC1090
  [ -f "$state" ] && source "$state"
  if [ -z "$LUMOREX_MONITORS_DISPLAY" ] || ! lumorex_count_monitors "$LUMOREX_MONITORS_DISPLAY" 2; then
    echo "the two-monitor display is not up: source scripts/wine-env.sh && lumorex_monitors_up $1" >&2
    return 1
  fi
}

lumorex_monitors_down() {
  if [ -n "$LUMOREX_MONITORS_DIR" ]; then
    rm -f "$LUMOREX_MONITORS_DIR/session.env"
    WINEPREFIX="$(dirname "$LUMOREX_MONITORS_DIR")/wineprefix-monitors" "$WINESERVER" -k >/dev/null 2>&1 || true
    LUMOREX_MONITORS_DIR=""
  fi
  lumorex_stop LUMOREX_XORG_PID
}

# Ends the server whose pid the named variable holds, and clears it.
lumorex_stop() {
  local pid=${!1}
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  printf -v "$1" '%s' ""
}

lumorex_wine_down() {
  local prefix
  for prefix in "${LUMOREX_PREFIXES[@]}"; do
    WINEPREFIX=$prefix "$WINESERVER" -k >/dev/null 2>&1 || true
  done
  LUMOREX_PREFIXES=()
  [ -n "${WINEPREFIX:-}" ] && "$WINESERVER" -k >/dev/null 2>&1 || true
  lumorex_stop LUMOREX_XVFB_PID
  lumorex_monitors_down
}

# For the scripts that run programs of the x64 build by hand, after scripts/setup.sh: builds, and
# brings Wine up until the calling script exits.
lumorex_x64_session() {
  local root=$1
  cmake --preset x64 >/dev/null
  cmake --build --preset x64
  trap lumorex_wine_down EXIT
  lumorex_wine_up "$root/build/x64"
}
