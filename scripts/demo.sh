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

echo "== The viewer hosts a capture over a scene: click, move, click, driven by xdotool"
# Without a window manager Wine waits for one at every hide of a window it counts as managed.
for program in Lumorex.exe capture_scene.exe; do
  "$WINE" reg add "HKCU\\Software\\Wine\\AppDefaults\\$program\\X11 Driver" /v Managed /t REG_SZ /d N /f >/dev/null
done
winout='Z:'"${out//\//\\}"
rm -f "$out/capture.png" "$out/capture.txt"
(cd "$bin" && exec "$WINE" capture_scene.exe 30) &
scene=$!
sleep 1.5
xdotool mousemove 200 150
(cd "$bin" && exec timeout 30 "$WINE" Lumorex.exe /capture select "$winout\\capture.png" /report "$winout\\capture.txt") &
viewer=$!
sleep 2
xdotool mousemove 330 230 click 1  # the first click, on the scene
sleep 0.6
xdotool mousemove 690 500          # the frame follows the pointer from 10 pixels above and left of it
sleep 0.8
import -display "$DISPLAY" -window root "$out/capture-frame.png" 2>/dev/null || true
xdotool click 1                    # the second click chooses the outlined area
wait "$viewer" || echo "the viewer ended with $?"
kill "$scene" 2>/dev/null || true
wait "$scene" 2>/dev/null || true
[ -f "$out/capture.txt" ] && echo "viewer report: $(tr -d '\r' <"$out/capture.txt" | tr '\n' ' ')"
echo "== The frame during the capture: $out/capture-frame.png"
if [ -f "$out/capture.png" ]; then
  echo "== The area the viewer saved: $out/capture.png"
else
  echo "== The viewer saved no picture"
fi

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
