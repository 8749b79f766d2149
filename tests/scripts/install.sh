#!/usr/bin/env bash
# Installs the build into a scratch prefix with `cmake --install`, validates
# the desktop entries and the metainfo, runs the installed game with an empty
# HOME under Xvfb (F12, Alt+F4) and checks that its screenshot and
# options.set land in ~/.local/share/dustwhirl and that nothing is written
# into the installed tree; then --help, --version and a wrong argument of
# every installed program.
# Usage: install.sh BUILD_DIR SOURCE_DIR
set -u
build=$(cd "$1" && pwd)
. "$(dirname "$0")/lib/window.sh"
need_tools Xvfb xdotool desktop-file-validate appstreamcli
window_setup
# The installed tree is made read-only below: give it back before removal.
trap 'chmod -R u+w "$tmp" 2>/dev/null; window_cleanup' EXIT
prefix=$tmp/prefix
programs="games/Dustwhirl games/Courseforge bin/dwrace bin/trktool bin/trackbuilder"

cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 ||
  fail "cmake --install: $(tail -n 5 "$tmp/install.log")"
for p in $programs; do [ -x "$prefix/$p" ] || fail "$p is not installed"; done
for f in share/dustwhirl/font.bmp share/dustwhirl/tracks/oval.trk share/dustwhirl/drivers/Sam.drv \
         share/man/man6/Dustwhirl.6.gz share/man/man6/Courseforge.6.gz share/man/man1/dwrace.1.gz \
         share/man/man1/trktool.1.gz share/man/man1/trackbuilder.1.gz share/mime/packages/dustwhirl-track.xml \
         share/icons/hicolor/48x48/apps/dustwhirl.png share/icons/hicolor/256x256/apps/courseforge.png \
         share/doc/dustwhirl/copyright; do
  [ -f "$prefix/$f" ] || fail "$f is not installed"
done
desktop-file-validate "$prefix"/share/applications/*.desktop >"$tmp/desktop.log" 2>&1 ||
  fail "desktop-file-validate: $(cat "$tmp/desktop.log")"
grep -q '^MimeType=application/x-dustwhirl-track;' "$prefix/share/applications/net.dustwhirl.Courseforge.desktop" ||
  fail "the editor's entry does not open track files"
appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml >"$tmp/appstream.log" 2>&1 ||
  fail "appstreamcli validate: $(cat "$tmp/appstream.log")"

# Every installed file and folder with its size, time and mode, to compare after the game ran.
snapshot() { (cd "$prefix" && find . -printf '%p %s %T@ %m\n' | sort); }
chmod -R a-w "$prefix"   # as a system install is (root writes anyway: the listing decides)
before=$(snapshot)

# Command-line conventions, with an empty HOME that must stay empty and no display.
clihome=$tmp/clihome
mkdir "$clihome"
for path in $programs; do
  p=${path#*/}
  out=$(cd / && env -u DISPLAY HOME="$clihome" "$prefix/$path" --help 2>"$tmp/err"); st=$?
  [ "$st" = 0 ] && grep -qi usage <<<"$out" && [ ! -s "$tmp/err" ] ||
    fail "$p --help: status $st, stdout '$out', stderr '$(cat "$tmp/err")'"
  out=$(cd / && env -u DISPLAY HOME="$clihome" "$prefix/$path" --version 2>/dev/null); st=$?
  [ "$st" = 0 ] && [[ "$out" =~ ^$p\ [0-9]+\.[0-9]+ ]] || fail "$p --version: status $st, '$out'"
  out=$(cd / && env -u DISPLAY HOME="$clihome" "$prefix/$path" --no-such-option 2>"$tmp/err"); st=$?
  [ "$st" = 2 ] && [ -z "$out" ] && grep -qi usage "$tmp/err" ||
    fail "$p --no-such-option: status $st, stdout '$out', stderr '$(cat "$tmp/err")'"
done
[ -z "$(ls -A "$clihome")" ] || fail "--help or --version wrote into HOME: $(ls -A "$clihome")"

# The installed game, started from / with an empty HOME.
home=$tmp/home
user=$home/.local/share/dustwhirl
mkdir "$home"
start_xvfb 640x480x24
(cd / && exec env -u XDG_DATA_HOME HOME="$home" SDL_AUDIODRIVER=dummy "$prefix/games/Dustwhirl" \
   >"$tmp/game.out" 2>"$tmp/game.err") &
game_pid=$!
wait_for_window "$tmp/game.err"
sleep 0.3
xdotool key F12
wait_for_file "$user/screens/shot0000.bmp" || fail "F12 wrote no screenshot into $user/screens"
check_bmp "$user/screens/shot0000.bmp" 8 640 480
quit_game
[ "$status" = 0 ] || fail "the installed game ended with status $status: $(cat "$tmp/game.err")"
[ -s "$user/options.set" ] || fail "options.set is not in $user"
for f in tracks/oval.trk drivers/Sam.drv dw.ini; do
  cmp -s "$user/$f" "$prefix/share/dustwhirl/$f" || fail "$f was not copied into $user"
done
after=$(snapshot)
[ "$before" = "$after" ] || fail "the game wrote into the installed tree: $(diff <(echo "$before") <(echo "$after") | head)"
echo "PASS"
