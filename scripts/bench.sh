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

# Every benchmark runs; each line with a bound says whether it was met. The script fails when a
# benchmark could not run to its end.
broken=()
for bench in build/x64/bin/*_bench.exe; do
  name=$(basename "$bench" .exe)
  echo "== $name"
  (cd build/x64/bin && "$WINE" "$name.exe") || broken+=("$name")
done
if [ ${#broken[@]} -gt 0 ]; then
  echo "did not run to the end: ${broken[*]}"
  exit 1
fi
