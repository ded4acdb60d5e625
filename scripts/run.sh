#!/usr/bin/env bash
# Set up, build and start Tavolin in the current directory (its start directory).
set -euo pipefail
here="$(pwd)"
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "Tavolin is built ($top/build/app/tavolin) but there is no display to show it on." >&2
  echo "Start it from a desktop session, or under Xvfb: xvfb-run $top/build/app/tavolin" >&2
  exit 1
fi
cd "$here"
exec "$top/build/app/tavolin" "$@"
