#!/usr/bin/env bash
# Sets up the machine, builds both targets and runs every test: the x86 binaries are inspected
# (this kernel cannot run them), the x64 test programs run under Wine with an Xvfb display, those
# marked for two monitors on the two-monitor Xorg display.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/setup.sh

for target in x86 x64; do
  cmake --preset "$target" >/dev/null
  cmake --build --preset "$target"
done

source scripts/wine-env.sh
trap lumorex_wine_down EXIT
lumorex_wine_up "$root/build/x64"
lumorex_monitors_up "$root/build/x64"

ctest --preset x86
ctest --preset x64 "$@"
