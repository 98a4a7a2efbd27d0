#!/usr/bin/env bash
# Replays the faults that live in the real world against the program's own
# window (record_probe), on a PulseAudio server of the script's own, so the
# shared server of the real-audio tests is never touched:
#   kill9   kill -9 at five random moments: the file reads, and its header
#           declares the data it holds to within a second (never more);
#   server  the sound server ends (SIGTERM) and comes back: the program waits
#           for it and records on in the next numbered file; both files
#           whole, the server's 1 kHz tone unbroken in each;
#   hang    the sound server stops answering (SIGSTOP) for 8 s, then goes on: no
#           call into the sound library blocks the program for good; it waits, then
#           records on in the next file; both whole (the tone may jump as it resumes);
#   disk    a 300 KiB tmpfs fills up: the program says so and stops, and the
#           header claims no more than the file holds (skipped where mounting
#           a tmpfs is not permitted);
#   busy    two CPU hogs: $BUSY_SECONDS (60) s of the tone at 44100 Hz stereo
#           with filter and VOX, without a single break or lost sound.
# Usage: tests/faults/replay.sh BUILD_DIR [PART...]   (default: every part)
# Exit status 0 when all passed, 1 when one failed, 77 when no server starts.
set -uo pipefail
cd "$(dirname "$0")/../.."
probe="$1/tests/faults/record_probe"
shift
[ -x "$probe" ] || { echo "replay: build the tests first ($probe)" >&2; exit 2; }
parts="${*:-kill9 server hang disk busy}"
work="$(mktemp -d /tmp/quorvane-replay-XXXXXX)"
export QUORVANE_PULSE_DIR="$work/pulse" PULSE_SERVER="unix:$work/pulse/native" XDG_CONFIG_HOME="$work"
hogs=() failed=0

server_up() {
  bash scripts/start-pulse.sh >/dev/null && pactl load-module module-sine sink=quorvane_null frequency=1000 >/dev/null
}
server_pid() { cat "$work/pulse/pulse/pid" 2>/dev/null; }
finish() {
  [ ${#hogs[@]} -gt 0 ] && kill "${hogs[@]}" 2>/dev/null
  mountpoint -q "$work/full" && umount "$work/full"
  kill -9 "$(server_pid)" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
verdict() {  # PART STATUS DETAIL
  if [ "$2" = 0 ]; then echo "PASS  $1 $3"; else echo "FAIL  $1 $3"; failed=1; fi
}
record() {  # FILE ARGS...: the program records into FILE (its pid in $pid); waits until it does
  "$probe" "$@" >"$1.log" 2>/dev/null &
  pid=$!
  for _ in $(seq 100); do grep -q "= Record$" "$1.log" && break; sleep 0.1; done
}
stop() {  # SIGTERM, then up to 20 s for the program to complete its file and end
  kill -TERM "$pid"
  for _ in $(seq 200); do kill -0 "$pid" 2>/dev/null || { wait "$pid"; return 0; }; sleep 0.1; done
  kill -9 "$pid"; wait "$pid"; return 1
}
field() { sed -n "s/.*$1=\([-0-9]*\).*/\1/p" <<<"$2"; }
whole() {  # FILE [SECONDS [BREAKS]]: header and data agree, at least SECONDS of sound, the tone
  r="$("$probe" --check "$1" 1000)"  # broken no more than BREAKS times
  [ -n "$r" ] && [ "$(field declared "$r")" = "$(field held "$r")" ] && [ "$(field breaks "$r")" -le "${3:-0}" ] &&
    [ "$(field held "$r")" -ge $((176400 * ${2:-1})) ]
}

server_up || { echo "SKIP  no PulseAudio server could be started"; exit 77; }
for part in $parts; do
  case "$part" in
  kill9)
    for i in 1 2 3 4 5; do
      record "$work/kill$i.wav" 44100 2
      sleep "$((RANDOM % 5 + 1)).$((RANDOM % 10))"
      kill -9 "$pid"; wait "$pid" 2>/dev/null
      r="$("$probe" --check "$work/kill$i.wav")" d=$(field declared "$r") h=$(field held "$r")
      [ -n "$d" ] && [ "$d" -le "$h" ] && [ $((h - d)) -le $((176400 + 32768)) ]
      verdict "kill -9 #$i:" $? "${r:-unreadable}"
    done ;;
  server)
    record "$work/server.wav" 44100 2
    sleep 3; kill -TERM "$(server_pid)"; sleep 2; server_up; sleep 8
    stop; verdict "server death: the program ends on SIGTERM" $? ""
    grep -q "^StatusMemo: Waiting for the sound device...$" "$work/server.wav.log"; verdict "server death: waited" $? ""
    ! grep "^message:" "$work/server.wav.log"; verdict "server death: no message" $? ""
    for f in server.wav server-2.wav; do whole "$work/$f"; verdict "server death: $f whole, tone unbroken" $? "$r"; done ;;
  hang)
    record "$work/hang.wav" 44100 2
    sleep 3; kill -STOP "$(server_pid)"; sleep 8; kill -CONT "$(server_pid)"; sleep 8
    stop; verdict "server hang: the program ends on SIGTERM" $? ""
    grep -q "^StatusMemo: Waiting for the sound device...$" "$work/hang.wav.log"; verdict "server hang: waited" $? ""
    for f in hang.wav hang-2.wav; do whole "$work/$f" 1 9; verdict "server hang: $f whole" $? "$r"; done ;;
  disk)
    mkdir -p "$work/full"
    if ! mount -t tmpfs -o size=300k tmpfs "$work/full" 2>/dev/null; then
      echo "SKIP  full disk: mounting a tmpfs is not permitted here"; continue
    fi
    record "$work/full/full.wav" 44100 2
    for _ in $(seq 100); do grep -q "^message:" "$work/full/full.wav.log" && break; sleep 0.1; done
    stop
    grep -q "Could not write to the Wave file" "$work/full/full.wav.log"; verdict "full disk: said so" $? ""
    r="$("$probe" --check "$work/full/full.wav")" d=$(field declared "$r")
    [ -n "$d" ] && [ "$d" -le "$(field held "$r")" ]; verdict "full disk: header within the data" $? "$r"
    umount "$work/full" ;;
  busy)
    yes >/dev/null & hogs+=($!)
    yes >/dev/null & hogs+=($!)
    record "$work/busy.wav" 44100 2 filter vox
    sleep "${BUSY_SECONDS:-60}"
    stop; kill "${hogs[@]}"; hogs=()
    whole "$work/busy.wav" $((${BUSY_SECONDS:-60} - 10)); verdict "busy machine: the tone unbroken" $? "$r"
    ! grep "Sound lost" "$work/busy.wav.log"; verdict "busy machine: no sound lost" $? "" ;;
  esac
done
exit $failed
