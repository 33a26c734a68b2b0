#!/usr/bin/env bash
# ctest's emulator for the test programs: runs a Windows program of the given kind under the Wine
# loader that scripts/wine-env.sh chose for this machine (natively, or the 32-bit loader under
# user-mode emulation). Usage: wine-run.sh x86|x64 <program> [arguments...]
set -euo pipefail
kind=$1
shift
source "$(dirname "$0")/wine-env.sh"
loader=$WINE
[ "$kind" = x86 ] && [ -n "$WINE32" ] && loader=$WINE32
lumorex_run_unpiped "$loader" "$@"
