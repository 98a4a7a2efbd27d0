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

TEST(WavReader, FindsTheDataChunkPastOtherChunks) {
  // An 18-byte fmt chunk with a fact chunk: the samples start at 58.
  WavBytes fact;
  fact.header(1, 11025, 18).raw("fact").u32(4).u32(500).raw("data").u32(1000).fill(1000, 1);
  WavHeaderInfo info = parse(fact.bytes);
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info.dataOffset, 58u);
  EXPECT_EQ(info.dataBytes, 1000u);  // from the data chunk, not the fact value

  // Metadata before the data (odd-sized, so padded) and after it.
  WavBytes tagged;
  tagged.header(2, 44100).chunk("LIST", 27).chunk("bext", 3).raw("data").u32(800).fill(800, 2).chunk("LIST", 40);
  info = parse(tagged.bytes);
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info.dataOffset, 36u + (8 + 28) + (8 + 4) + 8);
  EXPECT_EQ(info.dataBytes, 800u);  // the trailing chunk is not sound
  EXPECT_EQ(tagged.bytes[info.dataOffset], 2);
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
      {WavBytes().header(2, 48000).raw("data").u32(4).fill(4, 0).bytes, Check::UnsupportedRate, nullptr},
      {WavBytes().header(1, 0).raw("data").u32(4).fill(4, 0).bytes, Check::UnsupportedRate, nullptr},
  };
  for (const Case& c : cases) {
    const WavHeaderInfo info = parse(c.bytes);
    EXPECT_EQ(info.check, c.check);
    EXPECT_FALSE(info.message().empty());
    if (c.text) {
      EXPECT_EQ(info.message(), c.text);
    }
  }
}

TEST(WavReader, AFileEndingInsideItsHeaderFailsTheCheckThatReadsThere) {
  WavBytes w;
  w.header(1, 11025).raw("data").u32(0);
  for (std::size_t len = 0; len <= 44; ++len) {
    SCOPED_TRACE(len);
    const std::vector<std::uint8_t> cut(w.bytes.begin(), w.bytes.begin() + static_cast<long>(len));
    const WavHeaderInfo info = parse(cut);
    if (len < 4) {
      EXPECT_EQ(info.check, Check::NotRiff);
    } else if (len < 12) {
      EXPECT_EQ(info.check, Check::NotWave);
    } else if (len < 20) {
      EXPECT_EQ(info.check, Check::FmtIncorrect);
    } else if (len < 22) {
      EXPECT_EQ(info.check, Check::NotPcm);
    } else if (len < 36) {
      EXPECT_EQ(info.check, Check::FmtIncorrect);
    } else {
      // A whole format but no sound: accepted with nothing to play.
      EXPECT_TRUE(info.ok());
      EXPECT_EQ(info.dataBytes, 0u);
    }
  }
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
