#!/usr/bin/env bash
# Sets up the machine, builds both targets and runs every benchmark of each under Wine: the x86
# programs with the 32-bit loader, the x64 ones with the 64-bit one, each target in its own Wine
# prefix and on its own display (build/<target>). Every line with a bound says whether it was met;
# the script fails only when a benchmark could not run to its end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/setup.sh
source scripts/wine-env.sh

for target in x86 x64; do
  cmake --preset "$target" >/dev/null
  cmake --build --preset "$target"
done

# One target's benchmarks, one after the other; the names of those that did not run to their end
# go to the file given.
run_target() {
  local target=$1 broken=$2 wine=$WINE bench name
  [ "$target" = x86 ] && wine=$WINE32
  trap lumorex_wine_down EXIT
  lumorex_wine_up "$root/build/$target" || return 1
  # Without a window manager Wine waits for one at every hide of a window it counts as managed;
  # the capture and injection benchmarks show and hide the capture's frame.
  for program in capture_bench.exe injection_bench.exe; do
    "$WINE" reg add "HKCU\\Software\\Wine\\AppDefaults\\$program\\X11 Driver" /v Managed /t REG_SZ /d N /f \
      >/dev/null
  done
  for bench in "$root/build/$target/bin/"*_bench.exe; do
    name=$(basename "$bench" .exe)
    echo "== $target $name"
    # Each ratio is timed against a baseline of the same run under the same emulation, so it still
    # counts; absolute times of emulated code do not.
    [ "$target" = x86 ] && [ "$LUMOREX_WINE32_MODE" = emulated ] &&
      echo "   (run under user-mode emulation: its ratios count, its absolute times do not)"
    (cd "$root/build/$target/bin" && "$wine" "$name.exe") || echo "$target $name" >>"$broken"
  done
}

# The targets take turns rather than run side by side: each benchmark times its work against a
# baseline, and the other target's programs would weigh on the machine meanwhile.
broken="$root/build/bench-broken.txt"
rm -f "$broken"
for target in x86 x64; do
  if [ "$target" = x86 ] && [ "$LUMOREX_WINE32_MODE" = none ]; then
    echo "== x86: not run, 32-bit programs do not run on this machine"
    continue
  fi
  (run_target "$target" "$broken") || echo "$target: the Wine session did not come up" >>"$broken"
done
if [ -s "$broken" ]; then
  echo "did not run to the end:"
  cat "$broken"
  exit 1
fi
