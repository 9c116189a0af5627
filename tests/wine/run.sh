#!/bin/sh
# Runs the Windows tests: the cross-compiled unit tests under wine64, then the
# Linux-side tests that drive the Windows programs. Usage: run.sh BUILD_DIR
# (under an X server: the dialog needs one).
set -eu
build=$(cd "$1" && pwd)
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and their installers would ask.
# No menu builder: the installer's Start-menu entry must not reach the desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# One Wine server for all the programs of the run, ended when it is over.
mkdir -p "$WINEPREFIX"
# Its own log: it reports to its output when a test's terminal hangs up.
/usr/lib/wine/wineserver -p > "$build/wineserver.log" 2>&1
trap '/usr/lib/wine/wineserver -k || true' EXIT
# Also starts Wine's own services now, so that they do not inherit the
# output of the first test and keep ctest waiting for it to close.
[ -f "$WINEPREFIX/system.reg" ] || echo "Creating the Wine prefix in $WINEPREFIX (once)"
/usr/lib/wine/wine64 wineboot -i
# Documents and the like lead to $HOME in a new prefix: make them its own.
for folder in "$WINEPREFIX"/drive_c/users/*/*; do
  if [ -L "$folder" ]; then rm "$folder" && mkdir "$folder"; fi
done
# A Japanese locale for the window's second run, made here without root.
mkdir -p "$build/locale"
[ -d "$build/locale/ja_JP.UTF-8" ] || localedef -i ja_JP -f UTF-8 "$build/locale/ja_JP.UTF-8"
ctest --test-dir "$build" --output-on-failure
# The programs work in a folder named as C:\Users\山田 (Wine names it in UTF-8).
case "${LANG:-}" in *UTF-8* | *utf8*) ;; *) export LANG=C.UTF-8 ;; esac
mkdir -p "$build/tmp/山田"
TMPDIR="$build/tmp/山田" ctest --test-dir "$build/host" --output-on-failure
sh "$(dirname "$0")/installer_test.sh" "$build"
