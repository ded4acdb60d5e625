#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine and builds Tavolin (release) into ./build.
# Used by scripts/run.sh and scripts/test.sh; safe to run again (only missing packages are
# installed, and the build is incremental).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libqt6dbus6 libqt6network6
  qt6-qpa-plugins fonts-dejavu-core
  # test fixtures and benchmark comparison
  lame libtag1-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  if [[ $EUID -ne 0 ]]; then SUDO=sudo; else SUDO=; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build build --parallel "$(nproc)"
