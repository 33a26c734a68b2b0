#!/usr/bin/env bash
# Sets up the machine, builds both targets and runs every test case of each under Wine: the x86
# programs with the 32-bit loader, the x64 ones with the 64-bit one. Each target's suite has its own
# Wine prefixes, Xvfb display and two-monitor Xorg display, so the two suites run side by side.
# Arguments go to both ctest runs (for example -R WideString).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/setup.sh

for target in x86 x64; do
  cmake --preset "$target" >/dev/null
  cmake --build --preset "$target"
done

source scripts/wine-env.sh

# One target's suite in a shell of its own, its output in build/<target>/test.log.
suite() {
  local target=$1
  shift
  (
    trap lumorex_wine_down EXIT
    lumorex_wine_up "$root/build/$target" && lumorex_monitors_up "$root/build/$target" &&
      ctest --preset "$target" "$@"
  ) >"$root/build/$target/test.log" 2>&1
}

started=$(date +%s)
suite x86 "$@" &
x86=$!
suite x64 "$@" &
x64=$!
failed=()
wait "$x86" || failed+=(x86)
wait "$x64" || failed+=(x64)

for target in x86 x64; do
  echo "==== $target"
  cat "build/$target/test.log"
done
echo "==== both targets in $(($(date +%s) - started)) s"
if [ ${#failed[@]} -gt 0 ]; then
  echo "failed: ${failed[*]}"
  exit 1
fi
