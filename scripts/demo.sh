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
