#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quorvane {

// The user's settings as the configuration file holds them: 26 fields in a
// fixed order, without gaps, header, version or checksum; integers
// little-endian, the band edges IEEE 754 single precision. 86 bytes. The
// defaults are those of a freshly started program.
struct ConfigRecord {
  static constexpr std::size_t Size = 86;

  std::uint8_t StayOnTop = 0;
  std::int32_t InputDeviceId = 0;
  std::int32_t OutputDeviceId = 0;
  std::int32_t VoxEnabled = 0;
  std::int32_t BandpassSelected = 2;
  std::int32_t DisplayType = 0;
  std::int32_t HangTimeIndex = 1;
  std::int32_t OutputGainDb = 0;
  std::uint8_t FilterEnabled = 0;
  std::uint8_t TimerEnabled = 0;
  std::uint8_t FileBypass = 0;
  std::uint8_t MuteEnabled = 0;
  std::uint8_t FileTransfer = 0;
  std::int32_t ThresholdDb = 0;
  std::int32_t StartHour = 0;
  std::int32_t StartMinute = 0;
  std::int32_t StartSecond = 0;
  std::int32_t StartAmPm = 1;
  std::int32_t StopHour = 0;
  std::int32_t StopMinute = 0;
  std::int32_t StopSecond = 0;
  std::int32_t StopAmPm = 1;
  std::uint32_t SampleRate = 11025;
  std::int32_t ChannelCount = 1;
  float LowFrequency = 300.0f;
  float HighFrequency = 2400.0f;

  std::array<std::uint8_t, Size> encode() const;

  // Reads the fields that lie wholly within the first `size` bytes; the
  // others keep their values from `base`. Bytes past the record are ignored.
  static ConfigRecord decode(const std::uint8_t* data, std::size_t size, const ConfigRecord& base);

  // Field by field, comparing the band edges by their bits.
  bool operator==(const ConfigRecord& other) const { return encode() == other.encode(); }
};

}  // namespace quorvane
