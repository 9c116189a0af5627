#!/bin/sh
# Runs the Windows tests: the cross-compiled unit tests under wine64, then the
# Linux-side tests that drive the Windows programs. Usage: run.sh BUILD_DIR
# (under an X server: the dialog needs one).
set -eu
build=$(cd "$1" && pwd)
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix in $WINEPREFIX (about a minute, once)"
  /usr/lib/wine/wine64 wineboot -i
fi
# One Wine server for all the programs of the run, ended when it is over.
/usr/lib/wine/wineserver -p
trap '/usr/lib/wine/wineserver -k || true' EXIT
ctest --test-dir "$build" --output-on-failure
ctest --test-dir "$build/host" --output-on-failure
