#!/usr/bin/env bash
# Quorvane listening to a private sound server on which a voice speaks now and
# then, for a machine with no sound card or to try the program safely. Tick
# "Voice Activate", press Record, choose a file: the file gets the speech and
# not the pauses. The private server stops when the program exits.
set -euo pipefail
cd "$(dirname "$0")/.."

export QUORVANE_PULSE_DIR="${QUORVANE_PULSE_DIR:-/tmp/quorvane-demo-pulse}"
bash scripts/start-pulse.sh
export PULSE_SERVER="unix:$QUORVANE_PULSE_DIR/native"
# The program records the speaking sink's monitor; what it plays back goes to
# the other sink, so its monitor output never feeds back into the recording.
pactl set-default-sink quorvane_drain

speech="$(mktemp --suffix=.wav)"
espeak-ng -s 150 -w "$speech" \
  "Dispatch to unit seven. Respond to the north gate, over. Unit seven copies, on our way."
(
  while :; do
    paplay --device=quorvane_null "$speech" || exit 0
    sleep 4
  done
) &
talker=$!

finish() {
  kill "$talker" 2>/dev/null || true
  pactl exit 2>/dev/null || true
  rm -f "$speech"
}
trap finish EXIT

echo "demo: speech every few seconds on the input; tick \"Voice Activate\" and press Record"
build/bin/quorvane
