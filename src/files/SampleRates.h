#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quorvane {

// The sample rates the program records and plays at, with the samples per
// channel of one device buffer at each. Every check of a rate (settings file,
// WAV and compressed files, the rate commands, the filter's block count) asks
// this list, so a new rate is added here (and given a menu item).
//
// A buffer lasts about 93 ms: 1024 samples at 11025 Hz and the same span at
// 22050 and 44100 Hz, 96 ms at 32000 Hz, 85 ms at 48000 Hz. The band-pass
// filter works in blocks of 1024 samples, so a buffer is a whole number of
// them; 8000 and 16000 Hz, where 93 ms falls between two such lengths, take
// the longer one (128 ms), which leaves the program's thread more time per
// buffer. 48000 Hz stereo then fills exactly the 16384 bytes a device uses.
struct SupportedRate {
  std::uint32_t rate;
  std::uint32_t samplesPerBuffer;
};
inline constexpr std::array<SupportedRate, 7> kSupportedRates{
    {{8000, 1024}, {11025, 1024}, {16000, 2048}, {22050, 2048}, {32000, 3072}, {44100, 4096}, {48000, 4096}}};

// Samples per channel of one buffer at a rate; 0 for a rate not in the list.
constexpr std::uint32_t samplesPerBufferAt(std::uint32_t rate) {
  for (const SupportedRate& r : kSupportedRates)
    if (r.rate == rate) return r.samplesPerBuffer;
  return 0;
}

constexpr bool isSupportedRate(std::uint32_t rate) { return samplesPerBufferAt(rate) != 0; }

// "8000, 11025, ... or 48000"
inline std::string supportedRatesText() {
  std::string text;
  for (std::size_t i = 0; i < kSupportedRates.size(); ++i) {
    if (i > 0) text += i + 1 == kSupportedRates.size() ? " or " : ", ";
    text += std::to_string(kSupportedRates[i].rate);
  }
  return text;
}

}  // namespace quorvane
