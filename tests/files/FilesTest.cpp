#include <gtest/gtest.h>
#include <sys/stat.h>

#include <limits>
#include <vector>

#include "OtherInstance.h"
#include "TempDir.h"
#include "WavBytes.h"
#include "files/ConfigRecord.h"
#include "files/FileStream.h"
#include "files/WavHeader.h"
#include "files/WavReader.h"

using namespace quorvane;
using namespace quorvane::test;
using Check = WavHeaderInfo::Check;

namespace {

WavHeaderInfo parse(const std::vector<std::uint8_t>& b) { return WavReader::parse(b.data(), b.size()); }
WavBytes withData(WavBytes w, std::uint32_t size) { return w.raw("data").u32(size).fill(size, 0); }

}  // namespace

// The writer's own header, chunks anywhere before or after the data (odd sizes
// padded), and 16-bit PCM in WAVE_FORMAT_EXTENSIBLE, as editors and broadcast
// recorders write them.
TEST(WavReader, FindsTheFormatAndTheDataWhereverTheChunksLie) {
  const WaveFormatEx stereo{2, 22050, 88200, 4, 16};
  const auto written = WavHeader::build(stereo, 1000);
  EXPECT_EQ(getU32(&written[4]), 1000u + 36u);
  auto riff = [] { return WavBytes().raw("RIFF").u32(0).raw("WAVE"); };
  auto fmt = [](WavBytes w) { return w.raw("fmt ").u32(16).u16(1).u16(2).u32(22050).u32(88200).u16(4).u16(16); };
  const std::tuple<WavBytes, std::uint64_t, std::uint16_t> cases[] = {
      {WavBytes{{written.begin(), written.end()}}.fill(1000, 0), 44, 1},
      // An 18-byte fmt chunk and a fact chunk: the samples start at 58, their size from data, not fact.
      {withData(WavBytes().header(2, 22050, 18).raw("fact").u32(4).u32(500), 1000), 58, 1},
      {withData(WavBytes().header(2, 22050).chunk("LIST", 27).chunk("bext", 3), 1000), 36 + 36 + 12 + 8, 1},
      {withData(fmt(riff().chunk("LIST", 5).chunk("JUNK", 0)), 1000), 12 + 14 + 8 + 24 + 8, 1},
      {withData(WavBytes().extensible(2, 22050).chunk("JUNK", 9), 1000), 60 + 18 + 8, 0xFFFE},
  };
  for (auto [file, offset, tag] : cases) {
    const WavHeaderInfo info = parse(file.chunk("LIST", 40).bytes);  // a trailing chunk is not sound
    ASSERT_TRUE(info.ok()) << info.message() << " at " << offset;
    EXPECT_EQ(info.format.FormatTag, tag);
    EXPECT_EQ(info.format.Format, stereo);
    EXPECT_EQ(info.dataOffset, offset);
    EXPECT_EQ(info.dataBytes, 1000u);
    EXPECT_FALSE(info.dataSizeRepaired);
  }
}

TEST(WavReader, RefusesWhatItCannotPlayWithTheCheckThatFailed) {
  auto plain = [](auto&& edit) {
    auto b = withData(WavBytes().header(1, 11025), 4).bytes;
    edit(b);
    return b;
  };
  const std::tuple<std::vector<std::uint8_t>, Check, std::string> cases[] = {
      {plain([](auto& b) { b[0] = 'X'; }), Check::NotRiff, "Not a RIFF file"},
      {plain([](auto& b) { b[8] = 'w'; }), Check::NotWave, "Not a WAVE file"},
      {plain([](auto& b) { b[15] = '_'; }), Check::FmtIncorrect, "fmt incorrect"},
      {plain([](auto& b) { b[20] = 3; }), Check::NotPcm, "Not in PCM Wave format!"},
      {plain([](auto& b) { b[16] = 14; }), Check::FmtIncorrect, "fmt incorrect"},
      {withData(WavBytes().header(1, 11025, 16, 8), 4).bytes, Check::UnsupportedBits,
       "Only 16-bit PCM wave files can be played"},
      {withData(WavBytes().header(3, 44100), 12).bytes, Check::UnsupportedChannels,
       "Only mono and stereo wave files can be played"},
      {withData(WavBytes().header(0, 44100), 0).bytes, Check::UnsupportedChannels,
       "Only mono and stereo wave files can be played"},
      {withData(WavBytes().header(1, 0), 4).bytes, Check::UnsupportedRate,
       "Only wave files at 8000, 11025, 16000, 22050, 32000, 44100 or 48000 Hz can be played"},
      {withData(WavBytes().extensible(1, 11025, 3), 4).bytes, Check::NotPcm, "Not in PCM Wave format!"},  // float
      {plain([](auto& b) { b[20] = 0xFE, b[21] = 0xFF; }), Check::FmtIncorrect, "fmt incorrect"},  // short extensible
      {withData(WavBytes().header(2, 11025), 2).bytes, Check::NoData, "The wave file holds no sound"},  // half a frame
  };
  for (const auto& [bytes, check, text] : cases) {
    const WavHeaderInfo info = parse(bytes);
    EXPECT_EQ(info.check, check) << &bytes - &std::get<0>(cases[0]);
    EXPECT_EQ(info.message(), text);
  }
}

// Every cut-off header is refused with a message, up to a whole header with no
// sound; thousands of empty chunks and no data give a message after a bounded walk.
TEST(WavReader, AFileEndingInsideItsHeaderFailsTheCheckThatReadsThere) {
  const auto w = WavBytes().header(1, 11025).raw("data").u32(0).bytes;
  for (std::size_t len = 0; len <= 44; ++len) {
    const Check expected = len < 4 ? Check::NotRiff : len < 12 ? Check::NotWave : len < 36 ? Check::FmtIncorrect
                                                                                            : Check::NoData;
    EXPECT_EQ(parse({w.begin(), w.begin() + static_cast<long>(len)}).check, expected) << len;
  }
  WavBytes many;
  many.header(1, 11025);
  for (int i = 0; i < WavReader::kMaxChunks; ++i) many.chunk("JUNK", 0);
  const WavHeaderInfo info = parse(withData(many, 2).bytes);
  EXPECT_EQ(info.check, Check::TooManyChunks);
  EXPECT_EQ(info.message(), "No sound found in the first 4096 chunks of the wave file");
}

// A crash left the provisional sizes (36 and 0) but 3000 bytes of sound; a size
// past the end of the file plays what is there, in whole frames; a data chunk of
// 3.5 GB (a sparse file: only the header is written and read) is read whole.
TEST(WavReader, PlaysTheSoundTheFileHoldsWhateverItsHeaderSays) {
  WavHeaderInfo info = parse(WavBytes().header(2, 22050).raw("data").u32(0).fill(3000, 5).bytes);
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info.dataBytes, 3000u);
  EXPECT_TRUE(info.dataSizeRepaired);

  info = parse(WavBytes().header(2, 22050).raw("data").u32(100000).fill(1003, 5).bytes);
  EXPECT_EQ(info.dataBytes, 1000u);
  EXPECT_EQ(info.declaredDataBytes, 100000u);

  TempDir dir;
  const std::uint32_t big = 3'500'000'000u;
  writeAll(dir.file("big.wav"), WavBytes().header(2, 44100).raw("data").u32(big).bytes);
  std::filesystem::resize_file(dir.file("big.wav"), 44ull + big);
  info = WavReader::parse(*openStdioFile(dir.file("big.wav"), FileMode::ReadBinary));
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info.dataBytes, big);
}

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

  ConfigRecord base, almost;
  base.StayOnTop = 1, base.InputDeviceId = 5, base.HighFrequency = 999.0f;
  almost.HighFrequency = 999.0f;  // one byte short: everything but the upper band edge
  const auto defaults = ConfigRecord{}.encode();
  for (const auto& [size, expected] : {std::pair{std::size_t(0), base}, {85, almost}})
    EXPECT_EQ(ConfigRecord::decode(defaults.data(), size, base), expected) << size;
  EXPECT_EQ(ConfigRecord::decode(nullptr, 86, base), base);
}

// A FIFO blocks an open for reading until a writer comes, and its writes once its
// buffer is full; a device or a folder is no sound file either. Each is refused at
// once, in both modes, and left as it was. Two instances recording into one file:
// the second may neither truncate nor write into the file the first holds, and
// gets it once the first lets go.
TEST(FileStream, RefusesWhatIsNotARegularFileAndAFileAnotherProcessWrites) {
  TempDir dir;
  const std::string fifo = dir.file("fifo"), held = dir.file("rec.wav");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/null"), std::string("/dev/full"), dir.path().string()}) {
    for (FileMode mode : {FileMode::ReadBinary, FileMode::CreateBinary}) {
      OpenFailure why = OpenFailure::None;
      EXPECT_FALSE(openStdioFile(path, mode, &why)) << path;
      EXPECT_EQ(why, OpenFailure::NotRegular) << path;
    }
  }
  struct stat st{};
  EXPECT_TRUE(stat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
  {
    OtherInstance first(held, "first recording");
    ASSERT_TRUE(first.holding());
    OpenFailure why = OpenFailure::None;
    EXPECT_FALSE(openStdioFile(held, FileMode::CreateBinary, &why));
    EXPECT_EQ(why, OpenFailure::InUse);
    EXPECT_EQ(readAll(held).size(), 15u);
    EXPECT_TRUE(openStdioFile(held, FileMode::ReadBinary));  // reading is never refused
  }
  EXPECT_TRUE(openStdioFile(held, FileMode::CreateBinary));
  EXPECT_TRUE(readAll(held).empty());  // truncated once it is ours
}
