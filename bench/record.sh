#!/usr/bin/env bash
# The window recording from a sound server beside SoX recording the same source
# for the same time: 44100 Hz stereo with the 300-2400 Hz band-pass and the
# gate on, Mute ticked (SoX plays nothing either). Both run at once in each
# round, on a private PulseAudio server and a virtual display of the script's
# own; a generator plays tone bursts with gaps into the server's sink, whose
# monitor both record. The CPU time (user + system, every thread) of each over
# the same seconds of steady recording, after both have started; three rounds,
# the median ratio counts. The window's resident memory is read at the end.
#   bench/record.sh [build-dir] [seconds]
set -euo pipefail
build=${1:-build}
seconds=${2:-60}
quorvane=$(realpath "$build/bin/quorvane")
root=$(realpath "$(dirname "$0")/..")
work=$(mktemp -d)
export QUORVANE_PULSE_DIR=$work/pulse
export PULSE_SERVER=unix:$QUORVANE_PULSE_DIR/native
display=:$((90 + RANDOM % 100))
cleanup() {
  pkill -P $$ 2>/dev/null || true
  PULSE_SERVER=$PULSE_SERVER pactl exit 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
bash "$root/scripts/start-pulse.sh" > /dev/null
Xvfb "$display" -screen 0 1024x768x24 > /dev/null 2>&1 &
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.1; done

# The settings file: input and output "default" (as SoX records from), VOX on
# at 20 dB, filter on, Mute on, 44100 Hz stereo. The record's field order.
mkdir -p "$work/home/.config/quorvane"
python3 - "$work/home/.config/quorvane/quorvane.cfg" <<'PY'
import struct, sys
open(sys.argv[1], 'wb').write(struct.pack('<B7i5B9iIiff', 0, 0, 0, 1, 2, 0, 1, 0, 1, 0, 0, 1, 0,
                                          20, 0, 0, 0, 1, 0, 0, 0, 1, 44100, 2, 300.0, 2400.0))
PY
# One second of tone, one of silence, for as long as the rounds take.
sox -q -n -r 44100 -c 2 -t alsa default synth 1 sine 800 vol 0.3 pad 0 1 repeat 10000 2> /dev/null &

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
kb() { awk -v k="$2" '$1 == k":" { print $2 }' "/proc/$1/status"; }
hz=$(getconf CLK_TCK)
for round in 1 2 3; do
  HOME=$work/home XDG_CONFIG_HOME=$work/home/.config "$quorvane" > "$work/quorvane.log" 2>&1 &
  ours=$!
  wid=$(xdotool search --sync --onlyvisible --name '^Quorvane$' | head -1)
  sleep 1
  xdotool mousemove --window "$wid" 355 39 click 1          # Record
  sleep 1
  xdotool type --delay 5 "$work/ours-$round.wav"; xdotool key Return   # the file chooser
  sox -q -t alsa default -r 44100 -c 2 -b 16 "$work/sox-$round.wav" \
    sinc -n 1025 300-2400 silence 1 0.1 1% -1 0.5 1% 2> /dev/null &
  theirs=$!
  sleep 3
  [ -s "$work/ours-$round.wav" ] || { echo "record.sh: the window did not start recording" >&2; exit 1; }
  o0=$(ticks $ours); s0=$(ticks $theirs)
  sleep "$seconds"
  o1=$(ticks $ours); s1=$(ticks $theirs)
  rss=$(kb $ours VmRSS); hwm=$(kb $ours VmHWM); soxRss=$(kb $theirs VmRSS)
  kill -TERM $ours $theirs; wait $ours $theirs 2> /dev/null || true
  echo "$(( o1 - o0 )) $(( s1 - s0 )) $rss $hwm $soxRss" >> "$work/rounds"
  printf 'round %d: quorvane %.2f s CPU, SoX %.2f s, ratio %.2f; resident %d MB (peak %d), SoX %d MB\n' "$round" \
    "$(awk "BEGIN { print $(( o1 - o0 )) / $hz }")" "$(awk "BEGIN { print $(( s1 - s0 )) / $hz }")" \
    "$(awk "BEGIN { print $(( o1 - o0 )) / ($(( s1 - s0 )) + 1e-9) }")" $(( rss / 1024 )) $(( hwm / 1024 )) $(( soxRss / 1024 ))
done
ratio=$(awk '{ print $1 / ($2 + 1e-9) }' "$work/rounds" | sort -n | sed -n 2p)
rss=$(awk '{ print $3 }' "$work/rounds" | sort -n | sed -n 2p)
printf '%-52s %10s %-22s %8s  %-8s %s\n' "recording $seconds s, CPU time beside SoX (median of 3)" "" "" \
  "$(printf '%.2f' "$ratio")" "<= 1.0" "$(awk "BEGIN { print ($ratio <= 1.0) ? \"met\" : \"MISSED\" }")"
printf '%-52s %10s %-22s %8s  %-8s %s\n' "recording, resident memory (median of 3)" "$(( rss / 1024 )) MB" "" "" "< 40 MB" \
  "$([ "$rss" -lt 40960 ] && echo met || echo MISSED)"
echo "SoX: sox -t alsa default out.wav sinc -n 1025 300-2400 silence 1 0.1 1% -1 0.5 1%"
