#!/usr/bin/env bash
# Builds the Debian package and checks it with lintian (fails on errors);
# with --install also installs it, runs the installed game's --version,
# removes it again and checks that none of its files are left (needs root or
# sudo, and changes the system while it runs).
# Usage: packaging/check_deb.sh [BUILD_DIR] [--install]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
cmake -S "$here" -B "$build" >/dev/null
cmake --build "$build" --target deb
deb=$(ls -t "$build"/dustwhirl_*.deb | head -n1)
echo "== $deb"
dpkg-deb --field "$deb" Package Version Depends
echo "== lintian"
lintian --fail-on error "$deb"
echo "lintian: no errors"
[ "${2:-}" = --install ] || exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\.||')
$sudo dpkg -i "$deb"
/usr/games/Dustwhirl --version
$sudo dpkg -r dustwhirl
left=0
while IFS= read -r f; do
  [ -e "$f" ] && { echo "left behind: $f"; left=1; }
done <<<"$files"
[ $left = 0 ] && echo "installed and removed cleanly"
exit $left
