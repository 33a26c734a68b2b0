#!/usr/bin/env bash
# Builds the x64 target and runs every benchmark under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

source scripts/wine-env.sh
lumorex_x64_session "$root"

# Without a window manager Wine waits for one at every hide of a window it counts as managed; the
# capture benchmark shows and hides its frame.
"$WINE" reg add 'HKCU\Software\Wine\AppDefaults\capture_bench.exe\X11 Driver' /v Managed /t REG_SZ /d N /f \
  >/dev/null

for bench in build/x64/bin/*_bench.exe; do
  echo "== $(basename "$bench" .exe)"
  (cd build/x64/bin && "$WINE" "$(basename "$bench")")
done
