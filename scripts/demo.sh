#!/usr/bin/env bash
# Sets up the machine, builds the x64 target and shows the modules at work under Wine on an
# Xvfb display. A screenshot of the display lands in build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

source scripts/wine-env.sh
lumorex_x64_session "$root"
bin="$root/build/x64/bin"
out="$root/build/demo"
mkdir -p "$out"

echo "== The handler's settings, as a user sets them"
"$WINE" reg add 'HKCU\SOFTWARE\Corvane\Lumorex' /v shmenu_language /t REG_SZ /d eng /f >/dev/null
viewer_dir='Z:'"${bin//\//\\}"
"$WINE" reg add 'HKCU\SOFTWARE\Corvane\Lumorex' /v 'Main Path' /t REG_SZ /d "$viewer_dir" /f >/dev/null
echo "shmenu_language = eng, Main Path = $viewer_dir (where Lumorex.exe is)"

echo "== Right-clicks on sample files, two entries picked; the viewer tells what it received"
samples='C:\users\Public\lumorex-samples'
(cd "$bin" && "$WINE" make_samples.exe "$samples")
report='Z:'"${out//\//\\}"'\viewer-report.txt'
(cd "$bin" && LUMOREX_VIEWER_REPORT="$report" "$WINE" dravik_demo.exe "$samples" 4) &
demo=$!
sleep 3
import -display "$DISPLAY" -window root -crop 320x260+0+0 "$out/preview.png" 2>/dev/null || true
wait "$demo"
[ -f "$out/preview.png" ] && echo "== The preview entry as drawn on the screen: $out/preview.png"

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
