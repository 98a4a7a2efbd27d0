#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <limits>
#include <sstream>
#include <string_view>
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

// The message of the check that failed, or the format tag and fields, how many
// bytes of sound lie where, and what the header claimed when that was wrong.
std::string found(const WavHeaderInfo& i) {
  const WaveFormatEx& f = i.format.Format;
  std::ostringstream s;
  s << i.format.FormatTag << ": " << f.Channels << " x " << f.SampleRate << " Hz, " << f.AvgBytesPerSec << " "
    << f.BlockAlign << " " << f.BitsPerSample << "; " << i.dataBytes << " at " << i.dataOffset;
  if (i.dataSizeRepaired) s << " of " << i.declaredDataBytes;
  return i.ok() ? s.str() : i.message();
}

}  // namespace

// The program's look at a path named "swapped" is followed at once by the FIFO
// "swapped-fifo" renamed over it, as another process could do before the open.
extern "C" int stat(const char* path, struct stat* st) noexcept {
  const int result = ::fstatat(AT_FDCWD, path, st, 0);
  if (std::string_view(path).ends_with("/swapped")) ::rename((std::string(path) + "-fifo").c_str(), path);
  return result;
}

// The writer's own header, chunks anywhere before or after the data (odd sizes
// padded), and 16-bit PCM in WAVE_FORMAT_EXTENSIBLE, as editors and broadcast
// recorders write them; the sizes a crash left (36 and 0) but 3000 bytes of
// sound, and a size past the end of the file, give the sound the file holds in
// whole frames; every other file, and one cut off inside its header, is refused
// with the check that failed.
TEST(WavReader, FindsTheSoundWhereverTheChunksLieOrNamesTheCheckThatFailed) {
  const auto written = WavHeader::build({2, 22050, 88200, 4, 16}, 1000);
  auto sound = [](WavBytes w) { return withData(w, 1000).chunk("LIST", 40).bytes; };  // a trailing chunk is not sound
  auto fmt = [](WavBytes w) { return w.raw("fmt ").u32(16).u16(1).u16(2).u32(22050).u32(88200).u16(4).u16(16); };
  auto plain = [](auto&& edit) {
    auto b = withData(WavBytes().header(1, 11025), 4).bytes;
    edit(b);
    return b;
  };
  WavBytes many;
  many.header(1, 11025);
  for (int i = 0; i < WavReader::kMaxChunks; ++i) many.chunk("JUNK", 0);
  const std::string stereo = "1: 2 x 22050 Hz, 88200 4 16; ";
  const std::pair<std::vector<std::uint8_t>, std::string> cases[] = {
      {sound(WavBytes{{written.begin(), written.end()}}), stereo + "1000 at 44"},
      // An 18-byte fmt chunk and a fact chunk: the samples start at 58, their size from data, not fact.
      {sound(WavBytes().header(2, 22050, 18).raw("fact").u32(4).u32(500)), stereo + "1000 at 58"},
      {sound(WavBytes().header(2, 22050).chunk("LIST", 27).chunk("bext", 3)), stereo + "1000 at 92"},
      {sound(fmt(WavBytes().raw("RIFF").u32(0).raw("WAVE").chunk("LIST", 5).chunk("JUNK", 0))),
       stereo + "1000 at 66"},
      {sound(WavBytes().extensible(2, 22050).chunk("JUNK", 9)), "65534: 2 x 22050 Hz, 88200 4 16; 1000 at 86"},
      {WavBytes().header(2, 22050).raw("data").u32(0).fill(3000, 5).bytes, stereo + "3000 at 44 of 0"},
      {WavBytes().header(2, 22050).raw("data").u32(100000).fill(1003, 5).bytes, stereo + "1000 at 44 of 100000"},
      {plain([](auto& b) { b[0] = 'X'; }), "Not a RIFF file"},
      {plain([](auto& b) { b[8] = 'w'; }), "Not a WAVE file"},
      {plain([](auto& b) { b[15] = '_'; }), "fmt incorrect"},
      {plain([](auto& b) { b[20] = 3; }), "Not in PCM Wave format!"},
      {plain([](auto& b) { b[16] = 14; }), "fmt incorrect"},
      {withData(WavBytes().header(1, 11025, 16, 8), 4).bytes, "Only 16-bit PCM wave files can be played"},
      {withData(WavBytes().header(3, 44100), 12).bytes, "Only mono and stereo wave files can be played"},
      {withData(WavBytes().header(0, 44100), 0).bytes, "Only mono and stereo wave files can be played"},
      {withData(WavBytes().header(1, 0), 4).bytes,
       "Only wave files at 8000, 11025, 16000, 22050, 32000, 44100 or 48000 Hz can be played"},
      {withData(WavBytes().extensible(1, 11025, 3), 4).bytes, "Not in PCM Wave format!"},  // float
      {plain([](auto& b) { b[20] = 0xFE, b[21] = 0xFF; }), "fmt incorrect"},  // short extensible
      {withData(WavBytes().header(2, 11025), 2).bytes, "The wave file holds no sound"},  // half a frame
      {withData(many, 2).bytes, "No sound found in the first 4096 chunks of the wave file"},
  };
  for (const auto& [bytes, expected] : cases) EXPECT_EQ(found(parse(bytes)), expected) << &bytes - &cases[0].first;
  const auto w = WavBytes().header(1, 11025).raw("data").u32(0).bytes;  // cut off anywhere up to its 44th byte
  for (std::size_t len = 0; len <= 44; ++len) {
    const Check expected = len < 4 ? Check::NotRiff : len < 12 ? Check::NotWave : len < 36 ? Check::FmtIncorrect
                                                                                            : Check::NoData;
    EXPECT_EQ(parse({w.begin(), w.begin() + static_cast<long>(len)}).check, expected) << len;
  }

  TempDir dir;  // a data chunk of 3.5 GB in a sparse file: only the header is written and read
  const std::uint32_t big = 3'500'000'000u;
  writeAll(dir.file("big.wav"), WavBytes().header(2, 44100).raw("data").u32(big).bytes);
  std::filesystem::resize_file(dir.file("big.wav"), 44ull + big);
  EXPECT_EQ(found(WavReader::parse(*openStdioFile(dir.file("big.wav"), FileMode::ReadBinary))),
            "1: 2 x 44100 Hz, 176400 4 16; 3500000000 at 44");
}

// The file a first start writes, byte by byte from the layout; fields set to
// values the program would not run with are written and read back as they are,
// bytes past the record are no settings, and a record cut short keeps the base
// for the fields not wholly there.
TEST(ConfigRecord, FieldsLieAtTheirOffsetsLeastSignificantByteFirstAndAreReadBackAsTheyAre) {
  std::array<std::uint8_t, 86> firstStart{};
  for (auto [offset, value] : {std::pair{13, 2}, {21, 1}, {50, 1}, {66, 1}, {70, 0x11}, {71, 0x2B}, {74, 1},
                               {80, 0x96}, {81, 0x43}, {84, 0x16}, {85, 0x45}})
    firstStart[offset] = std::uint8_t(value);  // band-pass, hang time, AM, AM, 11025, mono, 300.0f, 2400.0f
  EXPECT_EQ(ConfigRecord{}.encode(), firstStart);

  ConfigRecord r;
  r.StayOnTop = 0xA1, r.InputDeviceId = -2, r.FilterEnabled = 0xB2, r.FileTransfer = 0xB6;
  r.ThresholdDb = 0x01020304, r.StopSecond = 21;
  r.SampleRate = 0xFFFFFFF0u, r.ChannelCount = -7, r.LowFrequency = -1.5f;
  r.HighFrequency = std::numeric_limits<float>::quiet_NaN();
  const auto b = r.encode();
  for (auto [offset, value] : {std::pair{0, 0xA1}, {1, 0xFE}, {4, 0xFF}, {29, 0xB2}, {33, 0xB6}, {34, 4}, {37, 1},
                               {62, 21}})
    EXPECT_EQ(b[offset], value) << offset;
  std::vector<std::uint8_t> longer(b.begin(), b.end());
  longer.resize(300, 0x5A);
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
// once, in both modes, and left as it was; so is a FIFO put in the file's place
// between the look at the path and the open. A file another instance records
// into is in use but can be read, and is ours, emptied, once it lets go (that it
// is left whole meanwhile, the window's test of unusable files shows).
TEST(FileStream, RefusesWhatIsNotARegularFileAndAFileAnotherProcessWrites) {
  TempDir dir;
  const std::string swapped = dir.file("swapped"), fifo = swapped + "-fifo", held = dir.file("rec.wav");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  writeAll(swapped, {});  // a regular file until the first look at it, which swaps the FIFO in: so listed last
  OpenFailure why = OpenFailure::None;
  for (const std::string& path : std::vector<std::string>{fifo, "/dev/null", "/dev/full", dir.path(), swapped})
    for (FileMode mode : {FileMode::ReadBinary, FileMode::CreateBinary}) {
      EXPECT_FALSE(openStdioFile(path, mode, &why)) << path;
      EXPECT_EQ(why, OpenFailure::NotRegular) << path;
    }
  struct stat st{};
  EXPECT_TRUE(stat(swapped.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
  {
    OtherInstance first(held, "first recording");
    ASSERT_TRUE(first.holding());
    EXPECT_FALSE(openStdioFile(held, FileMode::CreateBinary, &why));
    EXPECT_EQ(why, OpenFailure::InUse);
    EXPECT_TRUE(openStdioFile(held, FileMode::ReadBinary));  // reading is never refused
  }
  EXPECT_TRUE(openStdioFile(held, FileMode::CreateBinary));
  EXPECT_TRUE(readAll(held).empty());  // truncated once it is ours
}
