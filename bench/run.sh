#!/usr/bin/env bash
# What `make bench` runs: the benchmarks of one build tree (by default `build`, the
# tree `make run`, `make install` and `make test` use), each figure beside its
# reference measured in the same run, with the ratio and its target.
#
# Times are CPU times (the machine is shared: wall time would include the
# neighbours' work). The transform and filter figures are the fastest of nine
# repetitions that Google Benchmark interleaves with FFTW's.
#
# SoX has no per-buffer figure of its own, so it is timed on a long generated file:
# the CPU time of `sox in.wav -t null - sinc -n 1025 300-2400` less that of the same
# command without the effect (reading and converting the file), divided by the
# number of 4096-frame buffers the file holds. Three rounds before our benchmarks
# and three after; the fastest of each counts.
set -euo pipefail
build=${1:-build}
bin=$build/bench
seconds=120  # of 44100 Hz stereo noise for SoX
calc() { awk "BEGIN { print $1 }"; }
buffers=$(calc "$seconds * 44100 / 4096")

cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
type=$(cached CMAKE_BUILD_TYPE)
flags="$(cached CMAKE_CXX_FLAGS) $(cached "CMAKE_CXX_FLAGS_${type^^}")"
echo "Build measured: $build ($type, flags:${flags% }; $("$(cached CMAKE_CXX_COMPILER)" --version | head -1))"
echo "  the tree that make run, make install and make test build the program in"
echo "Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)," \
  "$(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/noise.wav" synth "$seconds" whitenoise vol 0.5

# CPU seconds (user + system) of a command.
cpu() {
  local TIMEFORMAT='%3U %3S'
  { time "$@" > /dev/null 2>&1; } 2>&1 | awk '{ print $1 + $2 }'
}
soxRounds() {
  for _ in 1 2 3; do
    cpu sox "$work/noise.wav" -t null - sinc -n 1025 300-2400 >> "$work/sinc"
    cpu sox "$work/noise.wav" -t null - >> "$work/plain"
  done
}

soxRounds
# Google Benchmark's CSV: name,iterations,real_time,cpu_time,time_unit,...
"$bin/bench_dsp" --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true --benchmark_format=csv 2> /dev/null > "$work/dsp.csv"
soxRounds
# One at a time: the CSV writer wants the same counters on every row.
for b in BufferChain SimulatedHour; do
  "$bin/bench_engine" --benchmark_filter=$b --benchmark_format=csv 2> /dev/null >> "$work/engine.csv"
done

# CPU time of a benchmark row in microseconds.
micros() {
  awk -F, -v name="\"$1\"" '$1 == name {
    f = $5 == "ns" ? 0.001 : $5 == "ms" ? 1000 : $5 == "s" ? 1e6 : 1; printf "%.2f", $4 * f }' "$2"
}
fft=$(micros BM_RealFftRoundTrip_min "$work/dsp.csv")
fftw=$(micros BM_FftwRoundTrip_min "$work/dsp.csv")
filter=$(micros BM_BlockFilterStereo44100_min "$work/dsp.csv")
sinc=$(sort -n "$work/sinc" | head -1)
plain=$(sort -n "$work/plain" | head -1)
soxBuffer=$(calc "($sinc - $plain) * 1000000 / $buffers")
chain=$(micros BM_BufferChain44100Stereo "$work/engine.csv")
hour=$(calc "$(micros BM_SimulatedHourOfRecording/iterations:1 "$work/engine.csv") / 1000000")

verdict() { if [ "$(calc "($1) ? 1 : 0")" = 1 ]; then echo met; else echo MISSED; fi; }
row() { printf '%-52s %10s %-22s %8s  %-8s %s\n' "$@"; }
row "what" "ours" "reference" "ratio" "target" ""
row "RealFft + InverseRealFft, n = 2048" "$(printf '%.2f us' "$fft")" "$(printf 'FFTW %.2f us' "$fftw")" \
  "$(printf '%.2f' "$(calc "$fft / $fftw")")" "<= 1.3" "$(verdict "$fft / $fftw <= 1.3")"
row "BlockFilter, one 44100 Hz stereo buffer" "$(printf '%.1f us' "$filter")" \
  "$(printf 'SoX sinc %.1f us' "$soxBuffer")" "$(printf '%.1fx' "$(calc "$soxBuffer / $filter")")" \
  ">= 3x" "$(verdict "$soxBuffer / $filter >= 3")"
row "per-buffer chain, 44100 Hz stereo, filter and VOX on" "$(printf '%.1f us' "$chain")" "a buffer: 92.9 ms" \
  "$(printf '%.3f%%' "$(calc "$chain / 929")")" "< 1%" "$(verdict "$chain < 929")"
row "a simulated hour of recording (CPU time)" "$(printf '%.2f s' "$hour")" "" "" "< 5 s" "$(verdict "$hour < 5")"
echo
echo "SoX: $(printf '%.3f' "$sinc") s with sinc, $(printf '%.3f' "$plain") s without, for" \
  "$(printf '%.0f' "$buffers") buffers ($seconds s of generated stereo noise); fastest of six rounds each."
echo
"$bin/bench_audio" 2> /dev/null
