#!/usr/bin/env bash
# quorvane-cli from the outside: every bad option ends with a message naming
# it and exit code 2; a file it cannot use is named, and nothing is left that
# looks like a finished output; memory stays flat over a three-hour input.
set -u
cli=$1
work=$(mktemp -d)
trap 'umount "$work/full" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# Little-endian bytes, and a canonical WAV header: rate, channels, data bytes.
le() { local s=""; for ((i = 0; i < $2; i++)); do s+=$(printf '\\x%02x' $(($1 >> (8 * i) & 255))); done; printf "$s"; }
header() { printf RIFF; le $(($3 + 36)) 4; printf 'WAVEfmt '; le 16 4; le 1 2; le "$2" 2; le "$1" 4
  le $(($1 * $2 * 2)) 4; le $(($2 * 2)) 2; le 16 2; printf data; le "$3" 4; }
# Silence with a one-second tone every ten minutes, as sparse as the file system allows.
sparse() { local bytes=$(($2 * 22050)); header 11025 1 $bytes > "$1"; truncate -s $((44 + bytes)) "$1"
  for ((t = 60; t < $2; t += 600)); do
    sox -n -r 11025 -c 1 -b 16 -t raw - synth 1 sine 1000 vol 0.5 |
      dd of="$1" bs=22050 seek=$((44 + t * 22050)) oflag=seek_bytes conv=notrunc status=none
  done; }
sparse "$work/in.wav" 120

# Files it cannot use, made here; the full disk only when a 1 MB tmpfs can be
# mounted (as root).
sox -n -r 11025 -c 1 -b 8 "$work/8bit.wav" synth 1 sine 440
mkdir "$work/folder" "$work/full"
mount -t tmpfs -o size=1m tmpfs "$work/full" 2>/dev/null || echo "cannot mount a tmpfs here: the full disk is not tried"

# A bad value (or a missing one) ends with exit 2 and a message naming the option
# (or what is missing); a file it cannot use, or a disk that fills up half way,
# is named and a failure (exit 1). No output file is left either way.
while IFS='|' read -r args named code; do
  [[ $args != *"$work/full/"* ]] || mountpoint -q "$work/full" || continue
  # shellcheck disable=SC2086
  err=$("$cli" $args 2>&1 >/dev/null); rc=$?
  [ $rc -eq "${code:-2}" ] || fail "quorvane-cli $args: exit $rc, not ${code:-2}"
  grep -q -- "$named" <<< "$err" || fail "quorvane-cli $args: '$err' does not name $named"
  [ -z "$(find "$work" -name 'o*.wav')" ] || fail "quorvane-cli $args left an output file"
done <<TABLE
|command
frobnicate|frobnicate
process|IN.wav
process $work/in.wav|OUT.wav
record|OUT.wav
record o.wav --gain 41|--gain
record o.wav --gain 3.5|--gain
record o.wav --threshold 61|--threshold
record o.wav --hang 0|--hang
record o.wav --hang 1.5|--hang
record o.wav --hang 6|--hang
record o.wav --rate 12345|--rate
record o.wav --channels 3|--channels
record o.wav --device -1|--device
record o.wav --monitor x|--monitor
record o.wav --duration 0|--duration
record o.wav --until 25:00:00|--until
record o.wav --until 1:2:3|--until
record o.wav --duration 5 --until 10:00:00|--until
record o.wav --filter 2400-300|--filter
record o.wav --filter 300|--filter
record o.wav --filter 300-6000|--filter
record o.wav --pre-roll 6|--pre-roll
record o.wav --min-length 2001|--min-length
record o.wav --max-length 1441|--max-length
process $work/in.wav $work/o.wav --filter 300-6000|--filter
process $work/in.wav $work/in.wav|in.wav
process $work/missing.wav $work/o1.wav|missing.wav|1
process $work/folder $work/o2.wav|folder|1
process $work/8bit.wav $work/o3.wav|8bit.wav|1
process $work/in.wav $work/no/such/folder/o4.wav|o4.wav|1
process $work/in.wav /dev/full|/dev/full|1
process $work/in.wav $work/full/o5.wav|o5.wav|1
TABLE
# shellcheck disable=SC2086
for sub in "" devices record process; do "$cli" $sub --help | grep -q Usage || fail "quorvane-cli $sub --help"; done

# Memory: three hours take no more than two minutes do, give or take the
# megabyte in which the output is gathered (a leak of 20 bytes a buffer would
# show). Under the address sanitizer freed memory is held back unless told not to.
peak() { ASAN_OPTIONS=quarantine_size_mb=1 /usr/bin/time -f %M "$cli" process "$1" "$work/out.wav" --vox --filter 300-2400 2>&1 >/dev/null | tail -1; }
sparse "$work/long.wav" 10800
short=$(peak "$work/in.wav") long=$(peak "$work/long.wav")
echo "peak resident memory: $short KB for two minutes, $long KB for three hours"
[ "$long" -le $((short + 2048)) ] || fail "memory grew from $short KB to $long KB"

[ $failures -eq 0 ] && echo "all passed"
exit $((failures > 0))
