#!/usr/bin/env bash
# Replays the faults that live in the real world against the program's own
# window (record_probe), on a PulseAudio server of the script's own (so the
# shared server of the real-audio tests is never touched):
#   1. kill -9 at random moments: the file left behind reads, and its header
#      declares the data it holds to within a second (never more than it holds);
#   2. the sound server dies (SIGTERM) and comes back: the program waits for it,
#      then records on in the next numbered file; both files whole, the tone
#      unbroken in each;
#   3. a full disk (a 300 KiB tmpfs): the program says so and stops, and the
#      header never claims more than the file holds (skipped where mounting a
#      tmpfs is not permitted);
#   4. two CPU hogs: 20 s of a 1 kHz tone recorded at 44100 Hz stereo with
#      filter and VOX, without a single break.
# Usage: tests/faults/replay.sh [BUILD_DIR]   (default: build)
set -uo pipefail
cd "$(dirname "$0")/../.."

build="${1:-build}"
probe="$build/tests/faults/record_probe"
check="$build/tests/faults/wav_check"
for tool in "$probe" "$check"; do
  [ -x "$tool" ] || { echo "replay: $tool is missing (build the tests first)" >&2; exit 2; }
done

work="$(mktemp -d /tmp/quorvane-replay-XXXXXX)"
export QUORVANE_PULSE_DIR="$work/pulse" PULSE_SERVER="unix:$work/pulse/native" XDG_CONFIG_HOME="$work"
hogs=()
failed=0

server_up() {
  bash scripts/start-pulse.sh >/dev/null &&
    pactl load-module module-sine sink=quorvane_null frequency=1000 >/dev/null
}
server_pid() { cat "$QUORVANE_PULSE_DIR/pulse/pid" 2>/dev/null; }
finish() {
  [ ${#hogs[@]} -gt 0 ] && kill "${hogs[@]}" 2>/dev/null
  mountpoint -q "$work/full" 2>/dev/null && umount "$work/full"
  kill -9 "$(server_pid)" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
verdict() {  # verdict PART OK DETAIL
  if [ "$2" = 0 ]; then echo "PASS  $1: $3"; else echo "FAIL  $1: $3"; failed=1; fi
}
# Starts the probe recording into $1 with the remaining arguments; its pid in $pid.
record() {
  local out="$1"; shift
  "$probe" "$out" "$@" >"$out.log" 2>/dev/null &
  pid=$!
}
# SIGTERM, then up to 20 s for the program to complete its file and end.
stop() {
  kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || { wait "$pid"; return 0; }; sleep 0.1; done
  kill -9 "$pid"; wait "$pid"; return 1
}
field() { sed -n "s/.*$1=\([-0-9]*\).*/\1/p" <<<"$2"; }

server_up || { echo "replay: no PulseAudio server could be started" >&2; exit 2; }

# 1. kill -9 at random moments.
for i in 1 2 3 4 5; do
  wav="$work/kill$i.wav"
  record "$wav" 44100 2
  sleep "$((RANDOM % 5 + 1)).$((RANDOM % 10))"
  kill -9 "$pid"; wait "$pid" 2>/dev/null
  r="$("$check" "$wav")"
  declared=$(field declared "$r"); held=$(field held "$r")
  ok=1
  [ -n "$declared" ] && [ "$declared" -le "$held" ] && [ $((held - declared)) -le $((176400 + 32768)) ] && ok=0
  verdict "kill -9 #$i" $ok "${r:-unreadable}"
done

# 2. The sound server dies and comes back.
wav="$work/server.wav"
record "$wav" 44100 2
sleep 3
kill -TERM "$(server_pid)"
sleep 2
server_up
sleep 8
stop; stopped=$?
verdict "server death: the program ends on SIGTERM" $stopped ""
grep -q "Waiting for the sound device..." "$wav.log"; verdict "server death: waited for the device" $? ""
! grep -q "^message:" "$wav.log"; verdict "server death: no message" $? "$(grep "^message:" "$wav.log" | head -1)"
for f in "$wav" "${wav%.wav}-2.wav"; do
  r="$("$check" "$f" 1000)"
  ok=1
  [ -n "$r" ] && [ "$(field declared "$r")" = "$(field held "$r")" ] && [ "$(field breaks "$r")" = 0 ] &&
    [ "$(field held "$r")" -ge 176400 ] && ok=0
  verdict "server death: $(basename "$f") whole, tone unbroken" $ok "${r:-missing}"
done

# 3. A full disk.
mkdir -p "$work/full"
if mount -t tmpfs -o size=300k tmpfs "$work/full" 2>/dev/null; then
  wav="$work/full/full.wav"
  record "$wav" 44100 2
  for _ in $(seq 100); do grep -q "^message:" "$wav.log" 2>/dev/null && break; sleep 0.1; done
  stop
  grep -q "Could not write to the Wave file" "$wav.log"; verdict "full disk: said so" $? "$(grep "^message:" "$wav.log" | head -1)"
  r="$("$check" "$wav")"
  ok=1
  [ -n "$(field declared "$r")" ] && [ "$(field declared "$r")" -le "$(field held "$r")" ] && ok=0
  verdict "full disk: the header claims no more than the file holds" $ok "${r:-unreadable}"
  umount "$work/full"
else
  echo "SKIP  full disk: mounting a tmpfs is not permitted here"
fi

# 4. A busy machine.
yes >/dev/null & hogs+=($!)
yes >/dev/null & hogs+=($!)
wav="$work/busy.wav"
record "$wav" 44100 2 filter vox
sleep 20
stop
kill "${hogs[@]}" 2>/dev/null; hogs=()
r="$("$check" "$wav" 1000)"
ok=1
[ "$(field breaks "$r")" = 0 ] && [ "$(field declared "$r")" = "$(field held "$r")" ] && ok=0
verdict "busy machine: the tone unbroken" $ok "$r"
! grep -q "Sound lost" "$wav.log"; verdict "busy machine: no sound lost" $? "$(grep "Sound lost" "$wav.log" | tail -1)"

exit $failed
