#!/usr/bin/env bash
# Sets up the machine, builds both targets and shows the modules at work under Wine on an Xvfb
# display: Dravik's context menu in a shell (the 64-bit handler, then the 32-bit one beside it),
# then Zentap's capture frame and captures hosted by the 64-bit and the 32-bit viewer. Screenshots
# land in build/demo/ and nowhere else: the README's pictures in the tree change only through
# scripts/readme-pictures.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/setup.sh
source scripts/wine-env.sh
cmake --preset x86 >/dev/null
cmake --build --preset x86
lumorex_x64_session "$root"
# The 32-bit parts run where this machine runs 32-bit programs (natively or emulated, said above).
with_32bit() {
  if [ "$LUMOREX_WINE32_MODE" = none ]; then
    echo "== Skipped: $1 (32-bit programs do not run on this machine)"
    return 1
  fi
  echo "== $1"
}
bin="$root/build/x64/bin"
bin32="$root/build/x86/bin"
out="$root/build/demo"
mkdir -p "$out"

# Dravik in its own Wine prefix, as a user installs it: registered with regsvr32, its menu opened
# by the shell host (a stand-in for the shell, which in Wine does not load menu handlers) on
# right-clicks, an entry picked with the pointer, and the viewer telling what it received.
source scripts/shell-menu-demo.sh
shell_menu_demo "$root/build/demo/wineprefix" "$bin" "$out"
with_32bit "The 32-bit handler beside the 64-bit one" && shell_menu_demo_32bit "$bin32"

echo "== A screen-area capture: the frame outlines an area, then grabs it"
(cd "$bin" && "$WINE" zentap_demo.exe 'Z:'"${out//\//\\}"'\grab.bmp' 3) &
demo=$!
sleep 2.5
import -display "$DISPLAY" -window root "$out/frame.png" 2>/dev/null || true
wait "$demo"
convert "$out/grab.bmp" "$out/grab.png" 2>/dev/null && rm -f "$out/grab.bmp"
echo "== The frame on the screen: $out/frame.png; the grabbed area: $out/grab.png"

# The viewer hosts a "select" capture over the scene on the display and in the prefix of the
# environment, driven by xdotool at X points ("x y"): the pointer rests, then click, move, click.
# Writes <name>.png (the area the viewer saved), <name>.txt (its report) and <name>-frame.png (the
# display while the frame is up) into build/demo/. The viewer and the scene come from the build of
# $capture_bin (the 64-bit one unless told otherwise).
capture_by_viewer() {
  local name=$1 rest=$2 first=$3 second=$4 program scene viewer bin=${capture_bin:-$bin}
  # Without a window manager Wine waits for one at every hide of a window it counts as managed.
  for program in Lumorex.exe capture_scene.exe; do
    "$WINE" reg add "HKCU\\Software\\Wine\\AppDefaults\\$program\\X11 Driver" /v Managed /t REG_SZ /d N /f >/dev/null
  done
  rm -f "$out/$name.png" "$out/$name.txt"
  (cd "$bin" && exec "$WINE" capture_scene.exe 90) &
  scene=$!
  demo_wait_for_window capture_scene.exe
  xdotool mousemove $rest
  (cd "$bin" && exec timeout 90 "$WINE" Lumorex.exe /capture select "$winout\\$name.png" /report "$winout\\$name.txt") &
  viewer=$!
  demo_wait_for_window lumorex.exe  # the frame: the viewer's only window in a capture
  xdotool mousemove $first click 1  # the first click, on the scene
  sleep 0.6
  xdotool mousemove $second         # the frame follows the pointer from 10 pixels above and left of it
  sleep 0.8
  import -display "$DISPLAY" -window root "$out/$name-frame.png" 2>/dev/null || true
  xdotool click 1                   # the second click chooses the outlined area
  wait "$viewer" || echo "the viewer ended with $?"
  kill "$scene" 2>/dev/null || true
  wait "$scene" 2>/dev/null || true
  [ -f "$out/$name.txt" ] && echo "viewer report: $(tr -d '\r' <"$out/$name.txt" | tr '\n' ' ')"
  echo "== The frame during the capture: $out/$name-frame.png"
  if [ -f "$out/$name.png" ]; then
    echo "== The area the viewer saved: $out/$name.png"
  else
    echo "== The viewer saved no picture"
  fi
}
winout='Z:'"${out//\//\\}"

# Waits until a window of the program shows on the display (Wine names a window's X class after its
# program): a 32-bit program under emulation takes seconds to start, more on a busy machine.
demo_wait_for_window() {
  timeout 90 xdotool search --sync --onlyvisible --classname "$1" >/dev/null 2>&1 ||
    echo "   (no window of $1 showed within 90 s)"
  sleep 0.3
}

echo "== The viewer hosts a capture over a scene: click, move, click, driven by xdotool"
capture_by_viewer capture "200 150" "330 230" "690 500"

with_32bit "The 32-bit viewer hosts a capture over the 32-bit scene: its 32-bit hooks and frame" &&
  capture_bin=$bin32 capture_by_viewer capture-32bit "200 150" "330 230" "690 500"

echo "== The viewer hosts a capture on the second monitor of a two-monitor display, left of the primary"
echo "   (screen x = X x - 1024: the area runs from (-704, 220) to (-334, 500); the screenshot shows both)"
lumorex_monitors_up "$root/build/x64"
(
  export DISPLAY=$LUMOREX_MONITORS_DISPLAY WINEPREFIX=$LUMOREX_MONITORS_PREFIX
  capture_by_viewer monitors-capture "200 150" "330 230" "690 500"
)

echo "== Every picture of this run is in $out/ (scripts/readme-pictures.sh makes the README's from them)"
