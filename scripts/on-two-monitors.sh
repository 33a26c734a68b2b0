#!/usr/bin/env bash
# ctest's emulator for the test programs marked for two monitors: runs a Windows program under
# Wine on the two-monitor bench that scripts/wine-env.sh brought up for the build tree.
# Listing the cases needs no display, so discovery works while the bench is down; running a case
# then fails saying how to bring it up.
# Usage: on-two-monitors.sh <build dir> <program> [arguments...]
set -euo pipefail
build=$1
shift
source "$(dirname "$0")/wine-env.sh"
for argument in "$@"; do
  [ "$argument" = --gtest_list_tests ] && exec "$WINE" "$@"
done
lumorex_monitors_check "$build" || exit 1
DISPLAY=$LUMOREX_MONITORS_DISPLAY WINEPREFIX=$LUMOREX_MONITORS_PREFIX lumorex_run_unpiped "$WINE" "$@"
