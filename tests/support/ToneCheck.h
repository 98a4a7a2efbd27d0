#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "TempDir.h"
#include "app/TVOXForm.h"
#include "audio/PortAudioBackend.h"
#include "files/WavReader.h"

// What the programs that record real sound share, the tests and the fault
// replay's probe alike. One source file of each includes this: under the leak
// checker, the libraries ALSA opens at run time (its pulse plugin and what that
// pulls in) keep what their initialisers allocated until the process ends. Not
// ours to free; the stacks only reach the loader when unwound the slow way.
extern "C" const char* __lsan_default_suppressions() { return "leak:_dl_init\n"; }
extern "C" const char* __lsan_default_options() { return "fast_unwind_on_malloc=0"; }

namespace quorvane::test {

// Both sides on the ALSA 'pulse' device; false when PortAudio lists none (libasound2-plugins).
inline bool choosePulseDevices(TVOXForm& form, PortAudioBackend& audio) {
  for (const WaveDirection d : {WaveDirection::Input, WaveDirection::Output}) {
    int& id = d == WaveDirection::Input ? form.InputDeviceId : form.OutputDeviceId;
    for (id = 0; id < audio.deviceCount(d) && audio.productName(d, id) != "pulse";) ++id;
    if (id == audio.deviceCount(d)) return false;
  }
  return true;
}

// A WAV file as the program left it: whether its header reads, the data size
// it declares, the sound bytes the file really holds, and the first channel.
struct RecordedWav {
  bool ok = false;
  std::uint32_t rate = 0, declared = 0;
  std::uint64_t held = 0;
  std::vector<std::int16_t> first;
};

inline RecordedWav readRecordedWav(const std::string& path) {
  const std::vector<std::uint8_t> bytes = readAll(path);
  const WavHeaderInfo info = WavReader::parse(bytes.data(), bytes.size());
  if (!info.ok()) return {};
  RecordedWav w{true, info.format.Format.SampleRate, info.declaredDataBytes, bytes.size() - info.dataOffset, {}};
  const unsigned step = 2u * info.format.Format.Channels;
  for (std::uint64_t at = info.dataOffset; at + step <= bytes.size(); at += step)
    w.first.push_back(s16At(bytes, at));
  return w;
}

// How often a steady tone was broken: sound dropped or recorded twice shifts
// its phase, a gap drops its level. Each 10 ms block (whole periods at 1 kHz)
// is fitted with the tone at its absolute sample index; a block whose phase
// moved more than 0.3 rad from the last one's, or whose level is under half
// the median, starts a break. Counted from the first block at full level to a
// quarter second before the end; -1 when there is too little.
inline int toneBreaks(const std::vector<std::int16_t>& s, double hz, double rate) {
  const auto block = static_cast<std::size_t>(rate / 100), edge = static_cast<std::size_t>(rate / 4);
  if (s.size() < edge + 4 * block) return -1;
  std::vector<double> phase, level;
  for (std::size_t off = 0; off + block + edge <= s.size(); off += block) {
    double c = 0, q = 0;
    for (std::size_t n = off; n < off + block; ++n) {
      const double a = 2 * std::numbers::pi * hz * static_cast<double>(n) / rate;
      c += s[n] * std::cos(a);
      q += s[n] * std::sin(a);
    }
    phase.push_back(std::atan2(q, c));
    level.push_back(std::hypot(c, q));
  }
  std::vector<double> sorted = level;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
  const double low = sorted[sorted.size() / 2] / 2;
  std::size_t k = std::find_if(level.begin(), level.end(), [&](double l) { return l >= low; }) - level.begin();
  int breaks = 0;
  for (bool inBreak = false; ++k < phase.size();) {
    const bool broken = std::abs(std::remainder(phase[k] - phase[k - 1], 2 * std::numbers::pi)) > 0.3 || level[k] < low;
    breaks += broken && !inBreak;
    inBreak = broken;
  }
  return breaks;
}

}  // namespace quorvane::test
