#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "files/ConfigRecord.h"

using namespace quorvane;

TEST(ConfigRecord, FieldsLieAtTheirOffsetsLeastSignificantByteFirst) {
  // The file a first start writes, byte by byte from the layout.
  std::array<std::uint8_t, 86> expected{};
  for (auto [offset, value] : {std::pair{13, 2}, {21, 1}, {50, 1}, {66, 1}, {70, 0x11}, {71, 0x2B}, {74, 1},
                               {80, 0x96}, {81, 0x43}, {84, 0x16}, {85, 0x45}})
    expected[offset] = std::uint8_t(value);  // band-pass, hang time, AM, AM, 11025, mono, 300.0f, 2400.0f
  EXPECT_EQ(ConfigRecord{}.encode(), expected);

  ConfigRecord r;
  r.StayOnTop = 0xA1, r.InputDeviceId = -2, r.FilterEnabled = 0xB2, r.FileTransfer = 0xB6;
  r.ThresholdDb = 0x01020304, r.StopSecond = 21;
  const auto b = r.encode();
  for (auto [offset, value] : {std::pair{0, 0xA1}, {1, 0xFE}, {4, 0xFF}, {29, 0xB2}, {33, 0xB6}, {34, 4}, {37, 1},
                               {62, 21}})
    EXPECT_EQ(b[offset], value) << offset;
}

TEST(ConfigRecord, DecodingGivesBackWhatWasEncodedAndKeepsTheBaseForFieldsNotWhollyThere) {
  ConfigRecord r;
  r.SampleRate = 0xFFFFFFF0u, r.ChannelCount = -7, r.LowFrequency = -1.5f;
  r.HighFrequency = std::numeric_limits<float>::quiet_NaN();
  const auto b = r.encode();
  std::vector<std::uint8_t> longer(b.begin(), b.end());
  longer.resize(300, 0x5A);  // bytes past the record are not settings
  EXPECT_EQ(ConfigRecord::decode(longer.data(), longer.size(), ConfigRecord{}).encode(), b);

  ConfigRecord base, seven, almost;
  base.StayOnTop = 1, base.InputDeviceId = 5, base.OutputDeviceId = 77, base.HighFrequency = 999.0f;
  seven = base;  // 7 bytes: StayOnTop and InputDeviceId whole, two bytes of OutputDeviceId
  seven.StayOnTop = 0, seven.InputDeviceId = 0;
  almost.HighFrequency = 999.0f;  // one byte short: everything but the upper band edge
  const auto defaults = ConfigRecord{}.encode();
  for (const auto& [size, expected] : {std::pair{std::size_t(0), base}, {7, seven}, {85, almost}})
    EXPECT_EQ(ConfigRecord::decode(defaults.data(), size, base), expected) << size;
  EXPECT_EQ(ConfigRecord::decode(nullptr, 86, base), base);
}
