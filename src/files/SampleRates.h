#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quorvane {

// The sample rates the program records and plays at, with the samples per
// channel of one device buffer at each (about 93 ms). Every check of a rate
// (settings file, WAV files) asks this list, so a new rate is added here.
struct SupportedRate {
  std::uint32_t rate;
  std::uint32_t samplesPerBuffer;
};
inline constexpr std::array<SupportedRate, 3> kSupportedRates{{{11025, 1024}, {22050, 2048}, {44100, 4096}}};

constexpr bool isSupportedRate(std::uint32_t rate) {
  for (const SupportedRate& r : kSupportedRates)
    if (r.rate == rate) return true;
  return false;
}

// "11025, 22050 or 44100"
inline std::string supportedRatesText() {
  std::string text;
  for (std::size_t i = 0; i < kSupportedRates.size(); ++i) {
    if (i > 0) text += i + 1 == kSupportedRates.size() ? " or " : ", ";
    text += std::to_string(kSupportedRates[i].rate);
  }
  return text;
}

}  // namespace quorvane
