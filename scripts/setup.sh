#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing) and
# configures and builds it. Usage: scripts/setup.sh BUILD_DIR [cmake options]
set -euo pipefail
packages=(g++ cmake make ccache pkg-config libsdl1.2-dev libfltk1.3-dev libgtest-dev
          libbenchmark-dev xvfb xdotool imagemagick)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
build=${1:-build}
shift || true
here=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$here" -B "$build" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
