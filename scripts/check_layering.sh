#!/usr/bin/env bash
# Fails when an include crosses the layers: the track file format at the
# bottom includes nothing of the game or the editor; the game and the editor
# do not include each other; the editor core (Courseforge/ without ui/) does
# not include FLTK; the race and the race view do not include each other
# (the top level wires them together); the menus do not include the top
# level, which hands them its services as hooks.
# Usage: check_layering.sh SOURCE_DIR
set -u
src=${1:-.}
cd "$src" || exit 2
status=0
forbid() {  # description, file list (one per line), pattern
  local what=$1 files=$2 pattern=$3 hits
  [ -n "$files" ] || return 0
  hits=$(printf '%s\n' "$files" | xargs grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($pattern)" 2>/dev/null)
  if [ -n "$hits" ]; then
    echo "FAIL: $what:"
    echo "$hits"
    status=1
  fi
}
sources() { find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort; }

forbid "trackfile/ includes the game or the editor" "$(sources trackfile)" "Game/|Courseforge/"
forbid "the game includes the editor" "$(sources Game)" "Courseforge/"
forbid "the editor includes the game" "$(sources Courseforge)" "Game/"
forbid "the editor core includes FLTK" "$(find Courseforge -maxdepth 1 -type f \( -name '*.cpp' -o -name '*.h' \) | sort)" "FL/"
forbid "the menus include the top level" "$(sources Game/frontend)" "Game/game\\.h"
forbid "the race includes the race view" "$(sources Game/race)" "Game/view/"
forbid "the race view includes the race" "$(sources Game/view)" "Game/race/"
[ $status -eq 0 ] && echo "layering holds"
exit $status
