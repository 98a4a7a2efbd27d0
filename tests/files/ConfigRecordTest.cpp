#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "files/ConfigRecord.h"

using namespace quorvane;

namespace {

std::uint32_t u32(const std::array<std::uint8_t, ConfigRecord::Size>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// Every field different from its default and from the others.
ConfigRecord distinctRecord() {
  ConfigRecord r;
  r.StayOnTop = 0xA1;
  r.InputDeviceId = -2;
  r.OutputDeviceId = 0x01020304;
  r.VoxEnabled = 5;
  r.BandpassSelected = 6;
  r.DisplayType = 7;
  r.HangTimeIndex = 8;
  r.OutputGainDb = 9;
  r.FilterEnabled = 0xB2;
  r.TimerEnabled = 0xB3;
  r.FileBypass = 0xB4;
  r.MuteEnabled = 0xB5;
  r.FileTransfer = 0xB6;
  r.ThresholdDb = 14;
  r.StartHour = 15;
  r.StartMinute = 16;
  r.StartSecond = 17;
  r.StartAmPm = 18;
  r.StopHour = 19;
  r.StopMinute = 20;
  r.StopSecond = 21;
  r.StopAmPm = 22;
  r.SampleRate = 0xFFFFFFF0u;
  r.ChannelCount = 24;
  r.LowFrequency = -1.5f;
  r.HighFrequency = std::numeric_limits<float>::quiet_NaN();
  return r;
}

}  // namespace

TEST(ConfigRecord, DefaultsAreThoseOfAFreshProgramAtTheirOffsets) {
  // The file a first start writes, byte by byte from the layout.
  std::array<std::uint8_t, 86> expected{};
  expected[13] = 2;                          // BandpassSelected
  expected[21] = 1;                          // HangTimeIndex
  expected[50] = 1;                          // StartAmPm
  expected[66] = 1;                          // StopAmPm
  expected[70] = 0x11, expected[71] = 0x2B;  // 11025
  expected[74] = 1;                          // ChannelCount
  expected[80] = 0x96, expected[81] = 0x43;  // 300.0f
  expected[84] = 0x16, expected[85] = 0x45;  // 2400.0f
  EXPECT_EQ(ConfigRecord{}.encode(), expected);
}

TEST(ConfigRecord, EveryFieldSitsAtItsOffsetLittleEndian) {
  const auto b = distinctRecord().encode();
  EXPECT_EQ(b[0], 0xA1);
  EXPECT_EQ(u32(b, 1), 0xFFFFFFFEu);
  EXPECT_EQ(b[5], 0x04);  // least significant byte first
  EXPECT_EQ(b[8], 0x01);
  const std::pair<std::size_t, std::uint32_t> ints[] = {{9, 5},   {13, 6},  {17, 7},  {21, 8},  {25, 9},
                                                        {34, 14}, {38, 15}, {42, 16}, {46, 17}, {50, 18},
                                                        {54, 19}, {58, 20}, {62, 21}, {66, 22}, {70, 0xFFFFFFF0u},
                                                        {74, 24}};
  for (auto [at, v] : ints) EXPECT_EQ(u32(b, at), v) << "offset " << at;
  for (std::size_t at = 29; at <= 33; ++at) EXPECT_EQ(b[at], 0xB2 + (at - 29)) << "offset " << at;
  EXPECT_EQ(u32(b, 78), std::bit_cast<std::uint32_t>(-1.5f));
  EXPECT_TRUE(std::isnan(std::bit_cast<float>(u32(b, 82))));
}

TEST(ConfigRecord, DecodingGivesBackWhatWasEncodedBitForBit) {
  const ConfigRecord r = distinctRecord();
  const auto b = r.encode();
  EXPECT_EQ(ConfigRecord::decode(b.data(), b.size(), ConfigRecord{}).encode(), b);

  // Bytes past the record are not settings.
  std::vector<std::uint8_t> longer(b.begin(), b.end());
  longer.resize(300, 0x5A);
  EXPECT_EQ(ConfigRecord::decode(longer.data(), longer.size(), ConfigRecord{}).encode(), b);
}

TEST(ConfigRecord, AShortRecordKeepsTheBaseForEveryFieldItDoesNotHoldWhole) {
  const ConfigRecord base = distinctRecord();
  const auto defaults = ConfigRecord{}.encode();

  EXPECT_EQ(ConfigRecord::decode(defaults.data(), 0, base), base);
  EXPECT_EQ(ConfigRecord::decode(nullptr, 86, base), base);

  // 7 bytes: StayOnTop and InputDeviceId whole, two bytes of OutputDeviceId.
  const ConfigRecord seven = ConfigRecord::decode(defaults.data(), 7, base);
  EXPECT_EQ(seven.StayOnTop, 0);
  EXPECT_EQ(seven.InputDeviceId, 0);
  EXPECT_EQ(seven.OutputDeviceId, base.OutputDeviceId);
  EXPECT_EQ(seven.ChannelCount, base.ChannelCount);

  // One byte short: everything but the upper band edge.
  const ConfigRecord almost = ConfigRecord::decode(defaults.data(), 85, base);
  EXPECT_EQ(almost.LowFrequency, 300.0f);
  EXPECT_EQ(almost.SampleRate, 11025u);
  EXPECT_TRUE(std::isnan(almost.HighFrequency));
}
