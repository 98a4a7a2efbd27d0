#!/usr/bin/env bash
# quorvane-cli process beside SoX on the same ten minutes of 44100 Hz stereo
# noise: band-pass alone, then band-pass with the gate. Both write their output
# file to the same folder. Three rounds, interleaved; the fastest of each
# command counts. CPU time (user + system) is the fair figure on a shared
# machine; wall time is what a user waits, and includes the neighbours' work.
set -euo pipefail
build=${1:-build}
cli=$build/bin/quorvane-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/noise.wav" synth 600 whitenoise vol 0.5

# "wall cpu peak-KB" of a command.
measure() { /usr/bin/time -f "%e %U %S %M" "$@" 2>&1 >/dev/null | tail -1 | awk '{ print $1, $2 + $3, $4 }'; }
fastest() { sort -n -k2 "$1" | head -1; }
for _ in 1 2 3; do
  measure sox "$work/noise.wav" "$work/sox.wav" sinc -n 1025 300-2400 >> "$work/sox-filter"
  measure "$cli" process "$work/noise.wav" "$work/ours.wav" --filter 300-2400 >> "$work/ours-filter"
  measure sox "$work/noise.wav" "$work/sox.wav" sinc -n 1025 300-2400 silence 1 0.1 1% -1 0.5 1% >> "$work/sox-vox"
  measure "$cli" process "$work/noise.wav" "$work/ours.wav" --filter 300-2400 --vox >> "$work/ours-vox"
done

row() { printf '%-34s %18s %18s %14s %8s  %s\n' "$@"; }
echo "quorvane-cli process, 10 minutes of 44100 Hz stereo noise (fastest of three rounds; $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg))"
row "job" "quorvane-cli" "SoX" "ratio" "target" ""
for job in filter vox; do
  read -r ow oc om < <(fastest "$work/ours-$job")
  read -r sw sc _ < <(fastest "$work/sox-$job")
  ratio=$(awk "BEGIN { printf \"%.1f\", $sc / $oc }")
  verdict=$(awk "BEGIN { print ($sc / $oc >= 4) ? \"met\" : \"MISSED\" }")
  name=$([ $job = filter ] && echo "band-pass 300-2400" || echo "band-pass and VOX")
  row "$name, CPU" "$oc s" "$sc s" "${ratio}x" ">= 4x" "$verdict"
  row "$name, wall" "$ow s" "$sw s" "$(awk "BEGIN { printf \"%.1fx\", $sw / $ow }")" "" ""
  row "$name, peak memory" "$((om / 1024)) MB" "" "" "< 32 MB" "$([ "$om" -lt 32768 ] && echo met || echo MISSED)"
done
echo "SoX: sox in.wav out.wav sinc -n 1025 300-2400 [silence 1 0.1 1% -1 0.5 1%]"
