#!/usr/bin/env bash
# Sets up the machine, builds the x64 target and shows the modules at work under Wine on an
# Xvfb display: Dravik's context menu in a shell, then Zentap's capture frame. Screenshots land in
# build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

source scripts/wine-env.sh
lumorex_x64_session "$root"
bin="$root/build/x64/bin"
out="$root/build/demo"
mkdir -p "$out"

# Dravik in its own Wine prefix, as a user installs it: registered with regsvr32, its menu opened
# by the shell host (a stand-in for the shell, which in Wine does not load menu handlers) on
# right-clicks, an entry picked with the pointer, and the viewer telling what it received.
source scripts/shell-menu-demo.sh
shell_menu_demo "$root/build/demo/wineprefix" "$bin" "$out"

echo "== A screen-area capture: the frame outlines an area, then grabs it"
(cd "$bin" && "$WINE" zentap_demo.exe 'Z:'"${out//\//\\}"'\grab.bmp' 3) &
demo=$!
sleep 2.5
import -display "$DISPLAY" -window root "$out/frame.png" 2>/dev/null || true
wait "$demo"
convert "$out/grab.bmp" "$out/grab.png" 2>/dev/null && rm -f "$out/grab.bmp"
echo "== The frame on the screen: $out/frame.png; the grabbed area: $out/grab.png"

echo "== The capture on the second monitor of a two-monitor display, left of the primary (negative x)"
lumorex_monitors_up "$root/build/x64"
(cd "$bin" && DISPLAY=$LUMOREX_MONITORS_DISPLAY WINEPREFIX=$LUMOREX_MONITORS_PREFIX \
  "$WINE" zentap_demo.exe 'Z:'"${out//\//\\}"'\grab-left.bmp' 3 -760 150 -300 380) &
demo=$!
sleep 2.5
import -display "$LUMOREX_MONITORS_DISPLAY" -window root "$out/monitors.png" 2>/dev/null || true
wait "$demo"
convert "$out/grab-left.bmp" "$out/grab-left.png" 2>/dev/null && rm -f "$out/grab-left.bmp"
echo "== Both monitors with the frame: $out/monitors.png; the grabbed area: $out/grab-left.png"
