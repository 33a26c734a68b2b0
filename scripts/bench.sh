#!/usr/bin/env bash
# Builds the x64 target and runs every benchmark under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

source scripts/wine-env.sh
lumorex_x64_session "$root"

for bench in build/x64/bin/*_bench.exe; do
  echo "== $(basename "$bench" .exe)"
  (cd build/x64/bin && "$WINE" "$(basename "$bench")")
done
