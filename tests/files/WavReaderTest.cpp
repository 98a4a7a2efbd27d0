#include <gtest/gtest.h>

#include "WavBytes.h"
#include "files/WavHeader.h"
#include "files/WavReader.h"

using namespace quorvane;
using namespace quorvane::test;
using Check = WavHeaderInfo::Check;

namespace {

WavHeaderInfo parse(const std::vector<std::uint8_t>& b) { return WavReader::parse(b.data(), b.size()); }

}  // namespace

TEST(WavReader, ReadsBackWhatTheWriterWrites) {
  for (const WaveFormatEx f : {WaveFormatEx{1, 11025, 22050, 2, 16}, WaveFormatEx{2, 22050, 88200, 4, 16},
                               WaveFormatEx{2, 44100, 176400, 4, 16}}) {
    const auto header = WavHeader::build(f, 4096);
    std::vector<std::uint8_t> file(header.begin(), header.end());
    file.resize(file.size() + 4096, 7);
    const WavHeaderInfo info = parse(file);
    ASSERT_TRUE(info.ok()) << info.message();
    EXPECT_EQ(info.format.FormatTag, 1);
    EXPECT_EQ(info.format.Format, f);
    EXPECT_EQ(info.dataOffset, 44u);
    EXPECT_EQ(info.dataBytes, 4096u);
    EXPECT_FALSE(info.dataSizeRepaired);
    EXPECT_EQ(getU32(&file[4]), 4096u + 36u);
  }
}

// Chunks anywhere before or after the data (odd sizes padded), and 16-bit PCM
// in WAVE_FORMAT_EXTENSIBLE, as editors and broadcast recorders write them.
TEST(WavReader, FindsTheFormatAndTheDataWhereverTheChunksLie) {
  auto riff = [] { return WavBytes().raw("RIFF").u32(0).raw("WAVE"); };
  auto fmt = [](WavBytes w) { return w.raw("fmt ").u32(16).u16(1).u16(2).u32(22050).u32(88200).u16(4).u16(16); };
  struct Case {
    WavBytes file;
    std::uint64_t offset;
    std::uint16_t tag;
  };
  const Case cases[] = {
      // An 18-byte fmt chunk and a fact chunk: the samples start at 58, their size from data, not fact.
      {WavBytes().header(2, 22050, 18).raw("fact").u32(4).u32(500).raw("data").u32(1000), 58, 1},
      {WavBytes().header(2, 22050).chunk("LIST", 27).chunk("bext", 3).raw("data").u32(1000), 36 + 36 + 12 + 8, 1},
      {fmt(riff().chunk("JUNK", 28)).raw("data").u32(1000), 12 + 36 + 24 + 8, 1},
      {fmt(riff().chunk("LIST", 5).chunk("JUNK", 0)).raw("data").u32(1000), 12 + 14 + 8 + 24 + 8, 1},
      {WavBytes().extensible(2, 22050).chunk("JUNK", 9).raw("data").u32(1000), 60 + 18 + 8, 0xFFFE},
  };
  for (const Case& c : cases) {
    WavBytes w = c.file;
    w.fill(1000, 2).chunk("LIST", 40);  // the trailing chunk is not sound
    const WavHeaderInfo info = parse(w.bytes);
    ASSERT_TRUE(info.ok()) << info.message() << " at " << c.offset;
    EXPECT_EQ(info.format.FormatTag, c.tag);
    EXPECT_EQ(info.format.Format, (WaveFormatEx{2, 22050, 88200, 4, 16}));
    EXPECT_EQ(info.dataOffset, c.offset);
    EXPECT_EQ(info.dataBytes, 1000u);
  }
}

TEST(WavReader, RefusesWhatItCannotPlayWithTheCheckThatFailed) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    Check check;
    const char* text;
  };
  auto plain = [](auto&& edit) {
    WavBytes w;
    w.header(1, 11025).raw("data").u32(4).fill(4, 0);
    edit(w.bytes);
    return w.bytes;
  };
  const std::vector<Case> cases = {
      {plain([](auto& b) { b[0] = 'X'; }), Check::NotRiff, "Not a RIFF file"},
      {plain([](auto& b) { b[8] = 'w'; }), Check::NotWave, "Not a WAVE file"},
      {plain([](auto& b) { b[15] = '_'; }), Check::FmtIncorrect, "fmt incorrect"},
      {plain([](auto& b) { b[20] = 3; }), Check::NotPcm, "Not in PCM Wave format!"},
      {plain([](auto& b) { b[16] = 14; }), Check::FmtIncorrect, "fmt incorrect"},
      {WavBytes().header(1, 11025, 16, 8).raw("data").u32(4).fill(4, 0).bytes, Check::UnsupportedBits, nullptr},
      {WavBytes().header(1, 11025, 16, 24).raw("data").u32(6).fill(6, 0).bytes, Check::UnsupportedBits, nullptr},
      {WavBytes().header(6, 44100).raw("data").u32(12).fill(12, 0).bytes, Check::UnsupportedChannels, nullptr},
      {WavBytes().header(0, 44100).raw("data").u32(0).bytes, Check::UnsupportedChannels, nullptr},
      {WavBytes().header(2, 96000).raw("data").u32(4).fill(4, 0).bytes, Check::UnsupportedRate, nullptr},
      {WavBytes().header(1, 0).raw("data").u32(4).fill(4, 0).bytes, Check::UnsupportedRate,
       "Only wave files at 8000, 11025, 16000, 22050, 32000, 44100 or 48000 Hz can be played"},
      {WavBytes().extensible(1, 11025, 3).raw("data").u32(4).fill(4, 0).bytes, Check::NotPcm, nullptr},  // float
      {plain([](auto& b) { b[20] = 0xFE, b[21] = 0xFF; }), Check::FmtIncorrect, nullptr},  // too short for extensible
      {WavBytes().header(1, 11025).chunk("LIST", 8).bytes, Check::NoData, "The wave file holds no sound"},
      {WavBytes().header(1, 11025).raw("data").u32(0).bytes, Check::NoData, nullptr},
      {WavBytes().header(2, 11025).raw("data").u32(2).fill(2, 0).bytes, Check::NoData, nullptr},  // half a frame
      {WavBytes().raw("RIFF").u32(0).raw("WAVE").chunk("LIST", 4).bytes, Check::FmtIncorrect, nullptr},
  };
  for (const Case& c : cases) {
    const WavHeaderInfo info = parse(c.bytes);
    EXPECT_EQ(info.check, c.check) << &c - cases.data();
    EXPECT_FALSE(info.message().empty());
    if (c.text) {
      EXPECT_EQ(info.message(), c.text);
    }
  }
}

// Every cut-off header is refused with a message, up to a whole header with no sound.
TEST(WavReader, AFileEndingInsideItsHeaderFailsTheCheckThatReadsThere) {
  WavBytes w;
  w.header(1, 11025).raw("data").u32(0);
  for (std::size_t len = 0; len <= 44; ++len) {
    const WavHeaderInfo info = parse({w.bytes.begin(), w.bytes.begin() + static_cast<long>(len)});
    const Check expected = len < 4    ? Check::NotRiff
                           : len < 12 ? Check::NotWave
                           : len < 36 ? Check::FmtIncorrect
                                      : Check::NoData;
    EXPECT_EQ(info.check, expected) << len;
  }
  // Thousands of empty chunks and no data: a message, after a bounded walk.
  WavBytes many;
  many.header(1, 11025);
  for (int i = 0; i < WavReader::kMaxChunks; ++i) many.chunk("JUNK", 0);
  EXPECT_EQ(parse(many.raw("data").u32(2).fill(2, 0).bytes).check, Check::TooManyChunks);
}

TEST(WavReader, PlaysTheSoundOfARecordingCutOffBeforeItsHeaderWasCompleted) {
  // A crash left the provisional sizes (36 and 0) but 3000 bytes of sound.
  WavBytes crashed;
  crashed.header(2, 22050).raw("data").u32(0).fill(3000, 5);
  WavHeaderInfo info = parse(crashed.bytes);
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info.dataBytes, 3000u);
  EXPECT_TRUE(info.dataSizeRepaired);

  // A size past the end of the file plays what is there, in whole frames.
  WavBytes truncated;
  truncated.header(2, 22050).raw("data").u32(100000).fill(1003, 5);
  info = parse(truncated.bytes);
  EXPECT_EQ(info.dataBytes, 1000u);
  EXPECT_EQ(info.declaredDataBytes, 100000u);
}

TEST(WavReader, DataChunksOfTwoGigabytesAndMoreAreRead) {
  // The reader only ever reads the header: a 3.5 GB file is described, not made.
  WavBytes w;
  const std::uint32_t big = 3'500'000'000u;
  w.header(2, 44100).raw("data").u32(big);
  const std::uint64_t size = 44ull + big;
  const WavHeaderInfo info = WavReader::parse(
      [&](std::uint64_t off, void* dst, std::size_t n) -> std::size_t {
        if (off >= w.bytes.size()) return 0;
        const std::size_t count = std::min<std::size_t>(n, w.bytes.size() - off);
        std::memcpy(dst, w.bytes.data() + off, count);
        return count;
      },
      size);
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info.dataBytes, big);
}
