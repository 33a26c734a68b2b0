#!/usr/bin/env bash
# Makes the README's pictures (docs/images/) anew from the screenshots of the last demonstration
# (scripts/demo.sh leaves them in build/demo/): the Korean menu with its preview, and a capture on
# the second monitor with the frame up, both kept small. Run it to change the pictures in the tree;
# the demonstration itself never touches them.
set -euo pipefail
cd "$(dirname "$0")/.."
demo=build/demo
images=docs/images
for shot in menu-image-korean.png monitors-capture-frame.png; do
  if [ ! -f "$demo/$shot" ]; then
    echo "There is no $demo/$shot: run scripts/demo.sh first." >&2
    exit 1
  fi
done
mkdir -p "$images"
convert "$demo/menu-image-korean.png" -strip -colors 128 "$images/menu-korean.png"
convert "$demo/monitors-capture-frame.png" -resize 50% -strip -colors 128 "$images/capture-two-monitors.png"
echo "The README's pictures: $images/menu-korean.png, $images/capture-two-monitors.png"
