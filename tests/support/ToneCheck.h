#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "files/WavReader.h"

namespace quorvane::test {

// A WAV file as the program left it: whether its header reads, the data size
// the header declares, the sound bytes the file really holds after the
// header, and the first channel's samples.
struct RecordedWav {
  bool ok = false;
  std::uint32_t rate = 0;
  std::uint32_t declared = 0;
  std::uint64_t held = 0;
  std::vector<std::int16_t> first;
};

inline RecordedWav readRecordedWav(const std::string& path) {
  RecordedWav w;
  std::vector<std::uint8_t> bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    std::uint8_t buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
  }
  const WavHeaderInfo info = WavReader::parse(bytes.data(), bytes.size());
  if (!info.ok()) return w;
  w.ok = true;
  w.rate = info.format.Format.SampleRate;
  w.declared = info.declaredDataBytes;
  w.held = bytes.size() - info.dataOffset;
  const unsigned step = 2u * info.format.Format.Channels;
  for (std::uint64_t at = info.dataOffset; at + step <= bytes.size(); at += step) {
    std::int16_t v;
    std::memcpy(&v, bytes.data() + at, 2);
    w.first.push_back(v);
  }
  return w;
}

// Where a steady tone was broken: sound dropped or recorded twice shifts its
// phase, a gap drops its level. Each 10 ms block (a whole number of periods
// at 1 kHz) is fitted with the tone at its absolute sample index; a block
// whose phase moved more than 0.3 rad from the previous one's, or whose level
// fell below half the median's, starts a break. Counted from the first block
// at full level (the tone reaching the recording) to a quarter second before
// the end (the recording ending); -1 when there is too little.
inline int toneBreaks(const std::vector<std::int16_t>& s, double hz, double rate) {
  const auto block = static_cast<std::size_t>(rate / 100);
  const auto edge = static_cast<std::size_t>(rate / 4);
  if (s.size() < edge + 4 * block) return -1;
  std::vector<double> phase, level;
  const double w = 2 * std::numbers::pi * hz / rate;
  for (std::size_t off = 0; off + block <= s.size() - edge; off += block) {
    double c = 0, q = 0;
    for (std::size_t n = off; n < off + block; ++n) {
      c += s[n] * std::cos(w * static_cast<double>(n));
      q += s[n] * std::sin(w * static_cast<double>(n));
    }
    phase.push_back(std::atan2(q, c));
    level.push_back(std::hypot(c, q));
  }
  std::vector<double> sorted = level;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
  const double floor = sorted[sorted.size() / 2] / 2;
  std::size_t k = 0;
  while (k < level.size() && level[k] < floor) ++k;
  int breaks = 0;
  bool inBreak = false;
  for (++k; k < phase.size(); ++k) {
    const double d = std::remainder(phase[k] - phase[k - 1], 2 * std::numbers::pi);
    const bool broken = std::fabs(d) > 0.3 || level[k] < floor;
    if (broken && !inBreak) ++breaks;
    inBreak = broken;
  }
  return breaks;
}

}  // namespace quorvane::test
