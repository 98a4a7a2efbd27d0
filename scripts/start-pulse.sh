#!/usr/bin/env bash
# Starts a private PulseAudio server for the real-audio tests: a null sink as
# the default sink and its monitor as the default source, on a socket of its
# own, so the tests play and record real sound without a sound card and
# without touching a desktop's sound server. Safe to run again: a server
# already listening there is kept.
#   QUORVANE_PULSE_DIR  where the socket and the log live (default /tmp/quorvane-pulse)
set -euo pipefail

dir="${QUORVANE_PULSE_DIR:-/tmp/quorvane-pulse}"
sink=quorvane_null
drain=quorvane_drain
export PULSE_SERVER="unix:$dir/native"

if ! pactl info >/dev/null 2>&1; then
  mkdir -p "$dir"
  chmod 700 "$dir"
  rm -f "$dir/native"
  # -n: none of the system's default modules (no real cards, no desktop
  # integration); the server runs for as long as the machine does.
  XDG_RUNTIME_DIR="$dir" pulseaudio --daemonize=yes --exit-idle-time=-1 -n --system=false \
    --realtime=no --high-priority=no --log-target="file:$dir/pulse.log" \
    -L "module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
    -L "module-null-sink sink_name=$sink" \
    -L "module-always-sink"
  for _ in $(seq 50); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
  done
  if ! pactl info >/dev/null 2>&1; then
    echo "start-pulse: the PulseAudio server did not come up; see $dir/pulse.log" >&2
    exit 1
  fi
fi

has_sink() { pactl list short sinks | grep -q "^[0-9]*[[:space:]]$1[[:space:]]"; }
has_sink "$sink" || pactl load-module module-null-sink sink_name="$sink" >/dev/null
# A null sink renders in blocks as long as the latency its clients ask for,
# up to two seconds when nobody asks, so a recording of its monitor would
# only start after that. A low-latency loopback from the monitor into a
# second null sink keeps it rendering in small blocks at all times.
has_sink "$drain" || pactl load-module module-null-sink sink_name="$drain" >/dev/null
pactl list short modules | grep -q "module-loopback.*source=$sink.monitor" ||
  pactl load-module module-loopback source="$sink.monitor" sink="$drain" latency_msec=20 >/dev/null
# The block the null sink was rendering before the loopback came may still
# run for up to two seconds: wait until its monitor delivers promptly.
for _ in $(seq 40); do
  got=$( (timeout 0.3 parec --raw --latency-msec=20 --device="$sink.monitor" 2>/dev/null || true) | head -c 64 | wc -c)
  [ "$got" -ge 64 ] && break
done
pactl set-default-sink "$sink"
pactl set-default-source "$sink.monitor"
echo "start-pulse: PulseAudio at $PULSE_SERVER, sink $sink, source $sink.monitor"
