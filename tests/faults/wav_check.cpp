// For the fault script: what a recorded WAV file holds, and how often a
// steady tone in it was broken.
//   wav_check FILE [TONE_HZ]
// prints "declared=<bytes> held=<bytes> breaks=<n>" (breaks -1: too short
// to tell); exits 1 when the header cannot be read.
#include <cstdio>
#include <cstdlib>

#include "ToneCheck.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const auto w = quorvane::test::readRecordedWav(argv[1]);
  if (!w.ok) {
    std::printf("unreadable\n");
    return 1;
  }
  const int breaks = argc > 2 ? quorvane::test::toneBreaks(w.first, std::atof(argv[2]), w.rate) : 0;
  std::printf("declared=%u held=%llu breaks=%d\n", w.declared, static_cast<unsigned long long>(w.held), breaks);
  return 0;
}
