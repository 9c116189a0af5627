#!/bin/sh
# `make package-check`: the .deb from `make package`, checked the way Debian's
# tools and an operator see it.
#   package_check.sh BUILD_DIR [ARCHITECTURE]
#
# A package for another architecture (arm64 from `make package-arm64`) gets
# lintian, the validators and a comparison of its file list with this
# machine's package where `make package` made one; its programs cannot start
# here, so it is not installed.
#
# Where it installs: as root, on a machine where kestrel8 is not installed
# yet (CI), it installs for real with dpkg -i, starts the installed programs
# and purges the package again. Anywhere else, so that an operator's own
# installation is never replaced, it installs into a scratch root with
# `dpkg --root DIR --force-not-root` (no root needed; the package has no
# maintainer scripts, so nothing has to run inside that root) and starts the
# programs from there.
set -eu

build=$(cd "${1:?build folder}" && pwd)
tools_dir=$(cd "$(dirname "$0")" && pwd)
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
host_architecture=$(dpkg --print-architecture)
architecture=${2:-$host_architecture}
deb="$build/kestrel8_${version}_${architecture}.deb"
work=$(mktemp -d)
xvfb_pid=""
console_pid=""
installed=""

say() { echo "package-check: $*"; }
fail() {
  echo "package-check: FAILED: $*" >&2
  exit 1
}
cleanup() {
  [ -n "$console_pid" ] && kill -KILL "$console_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill -TERM "$xvfb_pid" 2>/dev/null
  [ "$installed" = system ] && dpkg --purge kestrel8 >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

[ -f "$deb" ] || fail "$deb is missing; run make package${2:+-$architecture}"
say "$deb"

# national-encoding: the example repeater list is Shift-JIS on purpose, as
# lists written on Japanese systems are; the console shows a list's bytes as
# they are, and the demo shows that. Every other warning fails the check.
say "lintian"
lintian_status=0
lintian --fail-on error,warning --suppress-tags national-encoding "$deb" >"$work/lintian.txt" 2>&1 ||
  lintian_status=$?
grep -v 'running with root privileges is not recommended' "$work/lintian.txt" || true
[ "$lintian_status" = 0 ] || fail "lintian reports errors or warnings (above)"

say "desktop entry and AppStream metadata"
dpkg-deb -x "$deb" "$work/contents"
desktop-file-validate "$work/contents/usr/share/applications/kestrel8.desktop" ||
  fail "desktop-file-validate"
grep -qx "Exec=.*'/usr/bin/kestrel8'\"" "$work/contents/usr/share/applications/kestrel8.desktop" ||
  fail "the menu entry does not name /usr/bin/kestrel8"
appstreamcli validate --no-net "$work/contents"/usr/share/metainfo/*.metainfo.xml ||
  fail "appstreamcli validate"

if [ "$architecture" != "$host_architecture" ]; then
  # Modes and paths; sizes differ between architectures.
  host_deb="$tools_dir/../../build/kestrel8_${version}_${host_architecture}.deb"
  if [ -f "$host_deb" ]; then
    say "same files as $(basename "$host_deb")"
    dpkg-deb -c "$host_deb" | awk '{print $1, $6}' >"$work/host_files.txt"
    dpkg-deb -c "$deb" | awk '{print $1, $6}' >"$work/files.txt"
    diff -u "$work/host_files.txt" "$work/files.txt" || fail "the two packages hold different files"
  else
    say "no $(basename "$host_deb") to compare with (make package makes it)"
  fi
  say "passed (not installed: $architecture programs do not run on this $host_architecture machine)"
  exit 0
fi

if [ "$(id -u)" = 0 ] && ! dpkg-query -W -f='${Status}' kestrel8 2>/dev/null | grep -q 'ok installed'; then
  say "installing with dpkg -i"
  root=""
  installed=system
  dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i"; }
  dpkg_in_root() { dpkg "$@"; }
else
  say "installing into a scratch root ($work/root)"
  root="$work/root"
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/log"
  touch "$root/var/lib/dpkg/status"
  # The scratch root has no libraries registered, so dependencies are the
  # host's business here; dpkg-shlibdeps computed them from the host anyway.
  dpkg_in_root() { dpkg --root="$root" --force-not-root --force-depends "$@"; }
  dpkg_in_root -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg --root -i"; }
  installed=scratch
fi
bin="$root/usr/bin"

say "kestrel8-devices --help"
"$bin/kestrel8-devices" --help >"$work/help.txt" || fail "kestrel8-devices --help exited $?"
grep -q -- '--dv-port' "$work/help.txt" || fail "kestrel8-devices --help shows no options"

say "kestrel8 without a display"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/kestrel8" >"$work/nodisplay.txt" 2>&1 ||
  status=$?
[ "$status" = 1 ] && [ "$(cat "$work/nodisplay.txt")" = "no display: set DISPLAY or run under a desktop" ] ||
  fail "kestrel8 without a display: status $status, said: $(cat "$work/nodisplay.txt")"

say "kestrel8 under Xvfb"
# Xvfb picks a display it can really listen on and names it (-displayfd): a
# display free by its lock file may still be held by another server on the
# same host, and the console would then meet that server or none.
# -noreset keeps the server up between its clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
tries=0
until [ -s "$work/display" ] && grep -q . "$work/display"; do
  tries=$((tries + 1))
  { [ "$tries" -le 100 ] && kill -0 "$xvfb_pid" 2>/dev/null; } ||
    fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  sleep 0.1
done
display=":$(head -n1 "$work/display")"
# A station folder set up from the installed examples, as the man page says.
mkdir "$work/station"
cp "$root"/usr/share/kestrel8/examples/* "$work/station/"
(cd "$work/station" && exec env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" \
  "$bin/kestrel8") >"$work/console.log" 2>&1 &
console_pid=$!
tries=0
until xwininfo -display "$display" -name Kestrel8 2>/dev/null | grep -q 'Map State: IsViewable'; do
  tries=$((tries + 1))
  if [ "$tries" -gt 300 ] || ! kill -0 "$console_pid" 2>/dev/null; then
    fail "the Kestrel8 window did not appear: $(cat "$work/console.log")"
  fi
  sleep 0.1
done
kill -TERM "$console_pid" 2>/dev/null || true
wait "$console_pid" 2>/dev/null || true
console_pid=""

say "removing the package"
dpkg-deb -c "$deb" | awk '{print substr($6, 2)}' >"$work/paths.txt"
dpkg_in_root --purge kestrel8 >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg --purge"; }
installed=""
# Files, and folders that are the package's own, must be gone; shared
# folders such as /usr/bin stay.
left=""
while read -r path; do
  case "$path" in
    */) case "$path" in *kestrel8*) [ -d "$root$path" ] && left="$left $path" ;; esac ;;
    *) { [ -e "$root$path" ] || [ -L "$root$path" ]; } && left="$left $path" ;;
  esac
done <"$work/paths.txt"
if [ -n "$root" ]; then
  left="$left $(cd "$root" && find . -path ./var -prune -o ! -type d -print | tr '\n' ' ')"
fi
[ -z "$(echo "$left" | tr -d ' ')" ] || fail "left behind after removal:$left"

say "passed"
