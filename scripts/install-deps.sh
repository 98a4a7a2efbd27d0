#!/usr/bin/env bash
# Installs the Debian packages Quorvane needs to build, run and test.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ ccache pkg-config clang
  # window toolkit and sound I/O
  qt6-base-dev portaudio19-dev libasound2-dev
  # compressed sound files (FLAC, Ogg Vorbis and Opus, MP3) and the resampler for Opus
  libsndfile1-dev libsoxr-dev
  # the command line's option parser
  libcli11-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev librapidcheck-dev libbenchmark-dev libfftw3-dev libclang-rt-14-dev gcovr
  # a private sound server for the real-audio tests, and tools to measure sound
  pulseaudio pulseaudio-utils libasound2-plugins alsa-utils sox espeak-ng
  # a second Opus decoder for the tests (Debian's sox reads no Opus)
  opus-tools
  # peak memory of a command, for the command line's test and benchmark
  time
  # a virtual display for screenshots and the end-to-end runs
  xvfb x11-apps fonts-dejavu-core
  # driving the window in the recording benchmark
  xdotool x11-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
