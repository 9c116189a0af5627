#!/bin/bash
# `make test-screen-reader`: the console under the Orca screen reader on a
# desktop of its own, worked by keyboard against the virtual devices, as a
# blind operator would. Each step presses keys and waits for words in what
# Orca speaks (the SPEECH OUTPUT lines of its debug file); each expected
# text must come in one utterance.
#   run.sh BUILD_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?build folder}" && pwd)
source "$here/../../tools/screen_reader_session.sh"

run=$(mktemp -d /tmp/kestrel8-screen-reader.XXXXXX)
finish() {
  status=$?
  stop_session
  if [ "$status" -ne 0 ]; then
    echo "screen reader test failed; what Orca said:" >&2
    grep -o "SPEECH OUTPUT: '[^']*'" "$run/orca.debug" >&2 2>/dev/null
  fi
  [ -n "${KEEP_SCREEN_READER_RUN:-}" ] && echo "kept $run" >&2 || rm -rf "$run"
  exit "$status"
}
trap finish EXIT
trap 'exit 1' INT TERM HUP

start_session "$run" || exit 1

station=$run/station
mkdir -p "$station" && cd "$station" || exit 1
cp "$here/../../tools/demo/"D-STAR_* .
# One station calling, again and again, from well after START on: one of its
# calls comes while the operator waits in the Receiving box.
for seconds in 10 18 26; do
  printf '%s,QR4KLM,CQCQCQ,QR3KTA A,QR3KTG G\n' "$seconds"
done >headers.txt
"$build/kestrel8-devices" --repeaters D-STAR_repeaters.txt --script headers.txt \
  --script-after-init --every 0 >"$run/devices.log" 2>&1 &
devices=$!
pids+=("$devices")
for _ in $(seq 50); do [ -L COM7 ] && [ -L COM8 ] && break; sleep 0.1; done
"$build/kestrel8" >"$run/console.log" 2>&1 &
pids+=($!)
window=$(timeout 20 xdotool search --sync --limit 1 --name '^Kestrel8$') || exit 1
xdotool windowfocus --sync "$window"

# Orca's utterances after the first $1 of them, one a line.
spoken() { grep -o "SPEECH OUTPUT: '.*'" "$run/orca.debug" | tail -n +"$(($1 + 1))"; }
said_so_far() { spoken 0 | wc -l; }

# keys (xdotool key names, "-" for none, "unplug" for the adapter pulled out)
# | texts Orca must speak, each in one utterance | what the operator learns
steps="
-                     |DV port(1) text|7 selected      |the window opens in DV port(1), its number read whole
Tab                   |TRX port(1) text|8 selected     |TRX port(1) with its number
Tab                   |'START push button              |the button says what a press does
space wait KP_Enter   |'STOP push button                |after START it reads STOP (where am I)
Tab Tab Tab           |Receiving text                  |Tab reaches Receiving, named by its caption
-                     |QR4KLM   CQCQCQ   QR3KTA A QR3KTG G|a station heard while there: one whole line
KP_Up                 |Receiving QR4KLM                |flat review reads the line beside its caption
ctrl+End Home shift+Right shift+Right shift+Right shift+Right shift+Right shift+Right |selected|the callsign selected, letter by letter
Tab                   |Sending(20) text                |Sending, with its 20 characters
Tab Tab Tab           |Call back push button           |Call back
space KP_Up           |Call back QR4KLM                |flat review reads the callsign called back
unplug wait Tab KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior KP_Prior |DV port(1) text|Response LOST|TRX port(1) 8|TRX frq[kHz] 439310|Shift[kHz] -5000|the adapter pulled out, flat review from DV port(1): each value beside its caption
alt+h                 |His repeater|List with 21 items |Alt+H reaches the his repeaters, then the repeater's commands
End Up Up Up Up       |Link REF030 C                   |a reflector's entry reads as its text
alt+m space wait      |My repeater|List with 1 item   |Space chooses my repeater again (the radio retunes), His repeater is filled anew
alt+h                 |His repeater|List with 21 items |Alt+H is still heard after that
alt+t                 |Tranceiver(15)|List with 7 items |and Alt+T reaches the transceiver models
alt+a                 |Call area(7)|List with 13 items |Alt+A reaches the call areas
Down                  |Simplex                         |Down highlights an entry
space KP_Enter        |list item|Simplex|2 of 13      |Space chooses it, where am I reads it
"

failed=0
while IFS='|' read -r keys rest; do
  keys=$(echo "$keys" | xargs)
  [ -z "$keys" ] && continue
  IFS='|' read -r -a fields <<<"$rest"
  learns=${fields[-1]}
  unset 'fields[-1]'
  before=$(said_so_far)
  [ -z "${started:-}" ] && before=0 started=1  # the window's first words
  for key in $keys; do
    case "$key" in
      -) ;;
      wait) sleep 2 ;;  # START paces its commands; the window answers after
      unplug) kill -USR1 "$devices" ;;
      *) xdotool key "$key"; sleep 0.15 ;;
    esac
  done
  missing=()
  for ((tries = 0; tries < 150; tries++)); do
    missing=()
    for text in "${fields[@]}"; do
      text=$(echo "$text" | sed 's/ *$//')
      spoken "$before" | grep -qF -- "$text" || missing+=("$text")
    done
    [ ${#missing[@]} -eq 0 ] && break
    sleep 0.1
  done
  if [ ${#missing[@]} -eq 0 ]; then
    echo "ok   [$keys] $learns"
  else
    echo "FAIL [$keys] $learns: not heard: ${missing[*]}"
    echo "     heard: $(spoken "$before" | sed "s/SPEECH OUTPUT: //" | tr '\n' ' ')"
    failed=1
  fi
  sleep 0.5
done <<<"$steps"
exit "$failed"
