#include "files/ConfigRecord.h"

#include <bit>

#include "files/WavHeader.h"

namespace quorvane {

namespace {

// One pass over the fields in file order, for writing and for reading alike,
// so the two can never disagree about the layout.
template <typename Record, typename Visit>
constexpr void eachField(Record& r, Visit&& visit) {
  visit(r.StayOnTop);
  visit(r.InputDeviceId);
  visit(r.OutputDeviceId);
  visit(r.VoxEnabled);
  visit(r.BandpassSelected);
  visit(r.DisplayType);
  visit(r.HangTimeIndex);
  visit(r.OutputGainDb);
  visit(r.FilterEnabled);
  visit(r.TimerEnabled);
  visit(r.FileBypass);
  visit(r.MuteEnabled);
  visit(r.FileTransfer);
  visit(r.ThresholdDb);
  visit(r.StartHour);
  visit(r.StartMinute);
  visit(r.StartSecond);
  visit(r.StartAmPm);
  visit(r.StopHour);
  visit(r.StopMinute);
  visit(r.StopSecond);
  visit(r.StopAmPm);
  visit(r.SampleRate);
  visit(r.ChannelCount);
  visit(r.LowFrequency);
  visit(r.HighFrequency);
}

constexpr std::size_t recordBytes() {
  ConfigRecord r;
  std::size_t n = 0;
  eachField(r, [&](const auto& field) { n += sizeof field; });
  return n;
}
static_assert(recordBytes() == ConfigRecord::Size);

std::uint32_t bitsOf(std::uint8_t) = delete;
std::uint32_t bitsOf(std::int32_t v) { return static_cast<std::uint32_t>(v); }
std::uint32_t bitsOf(std::uint32_t v) { return v; }
std::uint32_t bitsOf(float v) { return std::bit_cast<std::uint32_t>(v); }

void fromBits(std::uint32_t b, std::int32_t& v) { v = static_cast<std::int32_t>(b); }
void fromBits(std::uint32_t b, std::uint32_t& v) { v = b; }
void fromBits(std::uint32_t b, float& v) { v = std::bit_cast<float>(b); }

}  // namespace

std::array<std::uint8_t, ConfigRecord::Size> ConfigRecord::encode() const {
  std::array<std::uint8_t, Size> out{};
  std::size_t at = 0;
  eachField(*this, [&](const auto& field) {
    if constexpr (sizeof field == 1) {
      out[at] = field;
    } else {
      putU32(&out[at], bitsOf(field));
    }
    at += sizeof field;
  });
  return out;
}

ConfigRecord ConfigRecord::decode(const std::uint8_t* data, std::size_t size, const ConfigRecord& base) {
  ConfigRecord r = base;
  if (!data) size = 0;
  std::size_t at = 0;
  eachField(r, [&](auto& field) {
    if (size >= at + sizeof field) {
      if constexpr (sizeof field == 1) {
        field = data[at];
      } else {
        fromBits(getU32(&data[at]), field);
      }
    }
    at += sizeof field;
  });
  return r;
}

}  // namespace quorvane
