#!/usr/bin/env bash
# Builds the x64 target and runs every benchmark under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/setup.sh
cmake --preset x64 >/dev/null
cmake --build --preset x64

source scripts/wine-env.sh
trap lumorex_wine_down EXIT
lumorex_wine_up "$root/build/x64"

for bench in build/x64/bin/*_bench.exe; do
  echo "== $(basename "$bench" .exe)"
  (cd build/x64/bin && "$WINE" "$(basename "$bench")")
done
