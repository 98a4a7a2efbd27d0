#!/usr/bin/env bash
# quorvane-cli record against the private PulseAudio server of
# scripts/start-pulse.sh: tone bursts played into its null sink are recorded
# from its monitor through ALSA's "pulse" device. Checks are on the files.
set -u
cli=$1
export PULSE_SERVER="unix:${QUORVANE_PULSE_DIR:-/tmp/quorvane-pulse}/native"
pactl info > /dev/null 2>&1 || { echo "no PulseAudio server at $PULSE_SERVER"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Under the leak checker: what ALSA's plugins allocate when loaded lives until the end.
echo "leak:_dl_init" > "$work/lsan.supp"
export LSAN_OPTIONS="suppressions=$work/lsan.supp:fast_unwind_on_malloc=0"
device=$("$cli" devices | sed -n '/^Input/,/^Output/s/^ *\([0-9]*\)  pulse$/\1/p')
[ -n "$device" ] || { echo "PortAudio lists no ALSA 'pulse' device"; exit 77; }
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
# Seconds of sound the header counts (11025 Hz mono); fails unless header and file agree.
seconds() {
  local data; data=$(u32 "$1" 40)
  [ "$(u32 "$1" 4)" = $((data + 36)) ] && [ $((data + 44)) -le "$(stat -c %s "$1")" ] || { echo -1; return; }
  awk "BEGIN { print $data / 22050 }"
}
within() { awk "BEGIN { exit !($1 >= $2 && $1 <= $3) }"; }
# The header of $1 must count $3 to $4 seconds; $2 says which recording it is.
check() { local s; s=$(seconds "$1"); echo "$2: $s s"; within "$s" "$3" "$4" || fail "$2: $s s, not $3 to $4"; }
# Starts recording into $1 with the options that follow; its process in $pid.
rec() { "$cli" record "$@" --device "$device" & pid=$!; }

# Three one-second bursts of a 1 kHz tone, 2.5 s of silence after each.
sox -n -r 11025 -c 1 -b 16 -t raw "$work/bursts.raw" synth 1 sine 1000 vol 0.37 pad 0 2.5 repeat 2
play() { pacat --playback --raw --rate=11025 --channels=1 --format=s16le --device=quorvane_null < "$1"; }

# VOX: the bursts and their hang time, not the silences; SIGTERM completes the file.
rec "$work/vox.wav" --vox --threshold 20 --hang 0.5
sleep 0.5; play "$work/bursts.raw"; sleep 1
kill -TERM $pid; wait $pid || fail "record after SIGTERM: exit $?"
check "$work/vox.wav" "VOX recording of 10.5 s played" 2.5 6.5
level=$(sox "$work/vox.wav" -n stat 2>&1 | awk '/RMS     amplitude/ { print $3 }'); echo "RMS $level"
within "$level" 0.13 1 || fail "VOX recording at RMS $level: more silence than sound"

# --duration stops by itself.
timeout 20 "$cli" record "$work/timed.wav" --device "$device" --duration 3 || fail "record --duration 3: exit $?"
check "$work/timed.wav" "record --duration 3" 2.5 3.5

# kill -9: the header counts all but at most the last second, also when the
# gate has shut since (a burst, then silence until the kill).
rec "$work/killed.wav"
sleep 4; kill -KILL $pid; wait $pid 2> /dev/null
check "$work/killed.wav" "kill -9 after 4 s" 2.4 4.5
sox -n -r 11025 -c 1 -b 16 -t raw "$work/burst.raw" synth 0.6 sine 1000 vol 0.37
rec "$work/gated.wav" --vox --threshold 20 --hang 0.5
sleep 1; play "$work/burst.raw"; sleep 3; kill -KILL $pid; wait $pid 2> /dev/null
check "$work/gated.wav" "kill -9 3 s after a 0.6 s burst" 0.9 2

[ $failures -eq 0 ] && echo "all passed"
exit $((failures > 0))
