#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
# DW_SANITIZE=1 ./test.sh runs it under AddressSanitizer and UBSan instead.
set -euo pipefail
cd "$(dirname "$0")"
if [ "${DW_SANITIZE:-0}" = 1 ]; then
  build=build-asan
  scripts/setup.sh "$build" -DDW_SANITIZE=ON -DDW_BENCH=OFF
else
  build=build
  scripts/setup.sh "$build"
fi
cd "$build"
ctest --output-on-failure -j"$(nproc)"
