#pragma once

#include <cstdint>

namespace quorvane {

// The fields of a PCM wave format, as the device layer and the WAV header use them.
struct WaveFormatEx {
  std::uint16_t Channels = 1;
  std::uint32_t SampleRate = 11025;
  std::uint32_t AvgBytesPerSec = 22050;
  std::uint16_t BlockAlign = 2;
  std::uint16_t BitsPerSample = 16;

  bool operator==(const WaveFormatEx&) const = default;
};

}  // namespace quorvane
