#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing) and
# configures and builds it. Usage: scripts/setup.sh BUILD_DIR [cmake options]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-packages.sh" g++ cmake make ccache pkg-config libsdl1.2-dev libfltk1.3-dev \
  libgtest-dev libbenchmark-dev xvfb xdotool imagemagick \
  zlib1g-dev desktop-file-utils appstream dpkg-dev file lintian
build=${1:-build}
shift || true
cmake -S "$here" -B "$build" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
