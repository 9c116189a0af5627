#!/bin/sh
# Silent install, reinstall and uninstall (/S) under Wine, for the user who
# runs it: programs, Start-menu entries, Apps entry and PATH are that user's;
# the station folder in Documents stays theirs. Usage: installer_test.sh BUILD_DIR (run.sh).
set -eu
wine=/usr/lib/wine/wine64
user=$WINEPREFIX/drive_c/users/$(id -un)
programs="$user/AppData/Local/Programs/Kestrel8"
station=$user/Documents/Kestrel8
entries="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Kestrel8"
entry="$entries/Kestrel8.lnk"
import="$entries/Import a repeater list.lnk"
guide="$entries/Kestrel8 guide.lnk"
apps='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrel8'
fail() { echo "installer_test: $*" >&2; exit 1; }
# The value of a registry entry, as reg shows it; empty when there is none.
value() { "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
folder='C:\users\'"$(id -un)"'\AppData\Local\Programs\Kestrel8'

[ ! -L "$user/Documents" ] || fail "Documents leads out of the Wine prefix (run.sh makes it a folder)"
strings "$1/kestrel8-setup.exe" | grep -q 'level="asInvoker"' || fail "setup asks for administrator rights"
rm -rf "$station"
"$wine" reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d 'C:\mine' /f > /dev/null
"$wine" "$1/kestrel8-setup.exe" /S
for f in kestrel8.exe kestrel8-repeaters.exe Uninstall.exe README-Windows.txt examples/D-STAR_DV_config.txt \
         examples/D-STAR_tranceiver_config.txt examples/D-STAR_my_rpt.txt examples/D-STAR_repeaters.txt \
         examples/D-STAR_reflectors.txt; do
  [ -f "$programs/$f" ] || fail "$f not installed"
  case $f in examples/*) cmp -s "$programs/$f" "$station/${f#examples/}" || fail "no example ${f#examples/}" ;; esac
done
! grep -q -e 'This zip' -e 'Unzip' -e 'example.org' "$programs/README-Windows.txt" || fail "README for the zip"
# The guide, the importer's manual and README-Windows for a browser, in the
# installed folder and the zip alike.
pages="guide/operating.html guide/kestrel8-repeaters.html guide/README-Windows.html guide/kestrel8.png
       guide/screenshots/kestrel8-1_25.png"
zipped=$(cmake -E tar tf "$1/kestrel8-windows.zip")
for f in $pages; do
  [ -s "$programs/$f" ] || fail "$f not installed"
  echo "$zipped" | grep -qxF "kestrel8-windows/$f" || fail "$f not in the zip"
done
grep -q '<h1>Operating Kestrel8</h1>' "$programs/guide/operating.html" || fail "guide: no HTML"
grep -q '<title>KESTREL8-REPEATERS(1)</title>' "$programs/guide/kestrel8-repeaters.html" || fail "manual: no HTML"
grep -q '<pre><code>Kestrel8 for Windows' "$programs/guide/README-Windows.html" || fail "README: no HTML"
! grep -q 'This zip' "$programs/guide/README-Windows.html" || fail "README.html for the zip"
for lnk in "$entry" "$import"; do
  strings -el "$lnk" | grep -q '^.C:\\users\\[^\\]*\\Documents\\Kestrel8$' || fail "$lnk: wrong folder"
done
# The target is in the entry's ANSI part, its arguments in the wide one.
strings "$entry" | grep -qxF "$folder\\kestrel8.exe" || fail "entry: no kestrel8.exe"
strings "$import" | grep -qxF "$folder\\kestrel8-repeaters.exe" || fail "import entry: no importer"
strings "$guide" | grep -qxF "$folder\\guide\\operating.html" || fail "guide entry: no guide"
[ "$(ls "$entries" | wc -l)" = 3 ] || fail "Start menu: $(ls "$entries")"
strings -el "$import" | grep -qx '.\?import' || fail "import entry: no import argument"
[ "$(value "$apps" Publisher)" = "The Kestrel8 developers" ] || fail "Apps: no publisher"
[ "$(value "$apps" DisplayVersion)" = "$(sed -n 's/^Version //p' "$programs/README-Windows.txt" | tr -d '\r')" ] ||
  fail "Apps: no version"
[ "$(value "$apps" DisplayIcon)" = "$folder\\kestrel8.exe,0" ] || fail "Apps: no icon"
[ "$(value 'HKCU\Environment' Path)" = "C:\\mine;$folder" ] || fail "PATH: $(value 'HKCU\Environment' Path)"

mine='QR9ZZZ A,    ,JP1,QR3KTA A,QR3KTA A,3'
printf '%s' "$mine" > "$station/D-STAR_DV_config.txt"
"$wine" "$1/kestrel8-setup.exe" /S
[ "$(value 'HKCU\Environment' Path)" = "C:\\mine;$folder" ] || fail "PATH twice: $(value 'HKCU\Environment' Path)"
"$wine" "$programs/Uninstall.exe" /S
# The uninstaller goes on from a copy of itself in the temporary folder.
for try in $(seq 600); do [ -e "$programs" ] || [ -e "$entries" ] || break; sleep 0.1; done
[ ! -e "$programs" ] && [ ! -e "$entries" ] || fail "programs or entries left after uninstalling"
[ -z "$(value "$apps" DisplayName)" ] || fail "Apps entry left after uninstalling"
[ "$(value 'HKCU\Environment' Path)" = 'C:\mine' ] || fail "PATH after uninstalling: $(value 'HKCU\Environment' Path)"
[ "$(cat "$station/D-STAR_DV_config.txt")" = "$mine" ] || fail "the station folder was changed"
"$wine" reg delete 'HKCU\Environment' /v Path /f > /dev/null
echo "installer_test: per-user install, three Start-menu entries, the HTML guide, Apps entry, PATH, station folder and uninstall as expected"
