#!/bin/sh
# The installer as an operator meets it, silently (/S) under Wine: both
# programs in Program Files\Kestrel8, a Start-menu entry "Kestrel8" that
# starts in Documents\Kestrel8, made with the example station files; a second
# install keeps the operator's edits; the uninstaller takes the programs and
# the entry away and leaves the station folder.
# Usage: installer_test.sh BUILD_DIR, with WINEPREFIX set (run.sh does).
set -eu
build=$1
wine=/usr/lib/wine/wine64
user=$WINEPREFIX/drive_c/users/$(id -un)
programs="$WINEPREFIX/drive_c/Program Files/Kestrel8"
station=$user/Documents/Kestrel8
entry="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Kestrel8.lnk"
fail() { echo "installer_test: $*" >&2; exit 1; }

rm -rf "$station"
"$wine" "$build/kestrel8-setup.exe" /S
for f in kestrel8.exe kestrel8-repeaters.exe README-Windows.txt Uninstall.exe; do
  [ -f "$programs/$f" ] || fail "$f not installed"
done
for f in D-STAR_DV_config.txt D-STAR_tranceiver_config.txt D-STAR_my_rpt.txt D-STAR_repeaters.txt; do
  cmp -s "$station/$f" "$programs/examples/$f" || fail "station folder lacks example $f"
done
[ -f "$entry" ] || fail "no Start-menu entry"
strings -el "$entry" | grep -qx '.C:\\Program Files\\Kestrel8\\kestrel8.exe' ||
  fail "the entry does not start kestrel8.exe"
strings -el "$entry" | grep -q '^.C:\\users\\[^\\]*\\Documents\\Kestrel8$' ||
  fail "the entry does not start in Documents\\Kestrel8"

# The operator's own station stays as it is, through a second install and
# the uninstaller.
printf 'QR9ZZZ A,    ,JP1,QR3KTA A,QR3KTA A,3' > "$station/D-STAR_DV_config.txt"
"$wine" "$build/kestrel8-setup.exe" /S
"$wine" "C:\\Program Files\\Kestrel8\\Uninstall.exe" /S
# The uninstaller runs on from a copy of itself in the temporary folder.
tries=0
while [ -e "$programs" ] || [ -e "$entry" ]; do
  tries=$((tries + 1))
  [ $tries -le 600 ] || fail "programs or Start-menu entry left after uninstalling"
  sleep 0.1
done
[ "$(cat "$station/D-STAR_DV_config.txt")" = 'QR9ZZZ A,    ,JP1,QR3KTA A,QR3KTA A,3' ] ||
  fail "the station folder was changed"
echo "installer_test: install, Start-menu entry, station folder and uninstall as expected"
