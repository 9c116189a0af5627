#!/bin/sh
# Silent install, reinstall and uninstall (/S) under Wine; the station folder
# in Documents stays the operator's. Usage: installer_test.sh BUILD_DIR (run.sh).
set -eu
wine=/usr/lib/wine/wine64
user=$WINEPREFIX/drive_c/users/$(id -un)
programs="$WINEPREFIX/drive_c/Program Files/Kestrel8"
station=$user/Documents/Kestrel8
entry="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Kestrel8.lnk"
fail() { echo "installer_test: $*" >&2; exit 1; }

[ ! -L "$user/Documents" ] || fail "Documents leads out of the Wine prefix (run.sh makes it a folder)"
rm -rf "$station"
"$wine" "$1/kestrel8-setup.exe" /S
for f in kestrel8.exe kestrel8-repeaters.exe Uninstall.exe examples/D-STAR_DV_config.txt \
         examples/D-STAR_tranceiver_config.txt examples/D-STAR_my_rpt.txt examples/D-STAR_repeaters.txt; do
  [ -f "$programs/$f" ] || fail "$f not installed"
  case $f in examples/*) cmp -s "$programs/$f" "$station/${f#examples/}" || fail "no example ${f#examples/}" ;; esac
done
strings -el "$entry" | grep -qx '.C:\\Program Files\\Kestrel8\\kestrel8.exe' || fail "entry: no kestrel8.exe"
strings -el "$entry" | grep -q '^.C:\\users\\[^\\]*\\Documents\\Kestrel8$' || fail "entry: wrong folder"

mine='QR9ZZZ A,    ,JP1,QR3KTA A,QR3KTA A,3'
printf '%s' "$mine" > "$station/D-STAR_DV_config.txt"
"$wine" "$1/kestrel8-setup.exe" /S
"$wine" "C:\\Program Files\\Kestrel8\\Uninstall.exe" /S
# The uninstaller goes on from a copy of itself in the temporary folder.
for try in $(seq 600); do [ -e "$programs" ] || [ -e "$entry" ] || break; sleep 0.1; done
[ ! -e "$programs" ] && [ ! -e "$entry" ] || fail "programs or entry left after uninstalling"
[ "$(cat "$station/D-STAR_DV_config.txt")" = "$mine" ] || fail "the station folder was changed"
echo "installer_test: install, Start-menu entry, station folder and uninstall as expected"
