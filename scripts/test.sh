#!/usr/bin/env bash
# Set up, build and run the whole test suite headless. Exits non-zero on any failure.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen
cd "$top/build"
ctest --output-on-failure --parallel "$(nproc)" "$@"
