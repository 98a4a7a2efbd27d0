#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "files/ConfigRecord.h"

using namespace quorvane;

TEST(ConfigRecord, DefaultsAreThoseOfAFreshProgramAtTheirOffsets) {
  // The file a first start writes, byte by byte from the layout.
  std::array<std::uint8_t, 86> expected{};
  expected[13] = 2;                          // BandpassSelected
  expected[21] = 1;                          // HangTimeIndex
  expected[50] = 1;                          // StartAmPm
  expected[66] = 1;                          // StopAmPm
  expected[70] = 0x11, expected[71] = 0x2B;  // SampleRate 11025
  expected[74] = 1;                          // ChannelCount
  expected[80] = 0x96, expected[81] = 0x43;  // LowFrequency 300.0f
  expected[84] = 0x16, expected[85] = 0x45;  // HighFrequency 2400.0f
  EXPECT_EQ(ConfigRecord{}.encode(), expected);

  ConfigRecord r;
  r.StayOnTop = 0xA1;
  r.InputDeviceId = -2;
  r.FilterEnabled = 0xB2;
  r.FileTransfer = 0xB6;
  r.ThresholdDb = 0x01020304;
  r.StopSecond = 21;
  const auto b = r.encode();
  EXPECT_EQ(b[0], 0xA1);
  EXPECT_EQ(b[1], 0xFE);
  EXPECT_EQ(b[4], 0xFF);
  EXPECT_EQ(b[29], 0xB2);
  EXPECT_EQ(b[33], 0xB6);
  EXPECT_EQ(b[34], 0x04);  // least significant byte first
  EXPECT_EQ(b[37], 0x01);
  EXPECT_EQ(b[62], 21);
}

TEST(ConfigRecord, DecodingGivesBackWhatWasEncodedBitForBit) {
  ConfigRecord r;
  r.SampleRate = 0xFFFFFFF0u;
  r.ChannelCount = -7;
  r.LowFrequency = -1.5f;
  r.HighFrequency = std::numeric_limits<float>::quiet_NaN();
  const auto b = r.encode();
  EXPECT_EQ(ConfigRecord::decode(b.data(), b.size(), ConfigRecord{}).encode(), b);
  // Bytes past the record are not settings.
  std::vector<std::uint8_t> longer(b.begin(), b.end());
  longer.resize(300, 0x5A);
  EXPECT_EQ(ConfigRecord::decode(longer.data(), longer.size(), ConfigRecord{}).encode(), b);
}

TEST(ConfigRecord, AShortRecordKeepsTheBaseForEveryFieldItDoesNotHoldWhole) {
  ConfigRecord base;
  base.OutputDeviceId = 77;
  base.ChannelCount = 2;
  base.HighFrequency = 999.0f;
  const auto defaults = ConfigRecord{}.encode();
  EXPECT_EQ(ConfigRecord::decode(defaults.data(), 0, base), base);
  EXPECT_EQ(ConfigRecord::decode(nullptr, 86, base), base);

  // 7 bytes: StayOnTop and InputDeviceId whole, two bytes of OutputDeviceId.
  const ConfigRecord seven = ConfigRecord::decode(defaults.data(), 7, base);
  EXPECT_EQ(seven.OutputDeviceId, 77);
  EXPECT_EQ(seven.ChannelCount, 2);
  // One byte short: everything but the upper band edge.
  const ConfigRecord almost = ConfigRecord::decode(defaults.data(), 85, base);
  EXPECT_EQ(almost.ChannelCount, 1);
  EXPECT_EQ(almost.LowFrequency, 300.0f);
  EXPECT_EQ(almost.HighFrequency, 999.0f);
}
