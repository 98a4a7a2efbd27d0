#include <gtest/gtest.h>

#include <cstring>

#include "Decoded.h"
#include "FormFixture.h"
#include "files/WavReader.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class OutputFile : public FormFixture {
 protected:
  OutputFile() {
    startUp();
    form.formats.designFilter = [](float, float) {};
  }

  void choose(const std::string& path) {
    host.queueFileChoice(path);
    form.OpenOutput1Click();
    ASSERT_EQ(form.OutputFileOpen, 1);
    form.ActivityState = ActivityRecording;
    form.StopRequested = 0;
  }

  // One buffer of a counting pattern, so order and completeness can be checked.
  std::vector<std::uint8_t> buffer(std::uint32_t bytes) {
    std::vector<std::uint8_t> b(bytes);
    for (auto& x : b) x = static_cast<std::uint8_t>(next_++);
    return b;
  }

  std::uint32_t next_ = 0;
};

}  // namespace

TEST_F(OutputFile, TheFileOnDiskIsAValidWavWithinASecondOfTheLastBuffer) {
  const std::string path = dir.file("live.wav");
  choose(path);
  std::uint32_t appended = 0;
  std::uint32_t seenOnDisk = 0;
  for (int i = 0; i < 50; ++i) {  // 50 buffers, one every 100 ms
    ASSERT_TRUE(form.engine.AppendToOutputFile(buffer(2048).data(), 2048));
    appended += 2048;
    host.sleepMs(100);
    // What a crash would leave right now: the header's own sizes, not repaired ones.
    const auto bytes = readAll(path);
    const std::uint32_t declared = u32At(bytes, 40);
    ASSERT_EQ(u32At(bytes, 4), declared + 36);
    ASSERT_LE(declared + 44u, bytes.size());
    ASSERT_GE(declared, seenOnDisk);
    seenOnDisk = declared;
    // At most one second (10 buffers) of sound is not yet described.
    ASSERT_LE(appended - declared, 10u * 2048u) << i;
  }
  form.StopBtnClick();
  const auto bytes = readAll(path);
  const WavHeaderInfo info = WavReader::parse(bytes.data(), bytes.size());
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info.declaredDataBytes, appended);
  for (std::uint32_t i = 0; i < appended; ++i) ASSERT_EQ(bytes[44 + i], static_cast<std::uint8_t>(i)) << i;
}

// A real full disk: a small tmpfs, the real stdio files, the record loop.
// Sound waits in the stdio buffer before it reaches the disk, so a header
// counted from what was handed over claimed bytes that never arrived. The
// header may only count what is really in the file, and a disk too full for
// even the header leaves no empty file behind. Both are said.
TEST_F(OutputFile, ARealFullDiskLeavesAHeaderThatCountsOnlyWhatIsOnDisk) {
  const std::string disk = dir.file("disk");
  std::filesystem::create_directory(disk);
  if (std::system(("mount -t tmpfs -o size=64k tmpfs " + disk + " 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here (needs root); the full disk is not tried";
  struct Unmount {
    std::string at;
    ~Unmount() { std::system(("umount " + at).c_str()); }
  } unmount{disk};
  audio.setSource(0, SimSoundSource::tone(440, 8000));

  // Records onto the disk until it is full; the message it gave.
  auto recordUntilFull = [&](const std::string& file) {
    host.clearMessages();
    host.queueFileChoice(file);
    host.after(60000, [this] { form.StopBtn.click(); });  // never needed: the full disk stops it
    form.RecordBtn.click();
    EXPECT_EQ(form.ActivityState, ActivityStopped);
    return host.messages().empty() ? std::string("no message") : host.messages()[0].text;
  };
  int n = 0;
  for (const auto& [channels, rate] : {std::pair{1, 11025u}, {2, 11025u}, {1, 44100u}, {2, 22050u}}) {
    for (const std::size_t filler : {0, 1000, 3000}) {
      const std::string name = disk + "/take" + std::to_string(n++) + ".wav";
      SCOPED_TRACE(name);
      writeAll(disk + "/filler", std::vector<std::uint8_t>(filler, 1));
      form.formats.SelectChannels(static_cast<std::uint16_t>(channels));
      form.formats.SelectRate(rate);
      EXPECT_EQ(recordUntilFull(name), "Could not write to the Wave file");
      const auto bytes = readAll(name);
      ASSERT_GE(bytes.size(), 44u);
      EXPECT_EQ(u32At(bytes, 40), bytes.size() - 44) << "the header claims sound that is not in the file";
      EXPECT_EQ(u32At(bytes, 4), bytes.size() - 8);
      std::filesystem::remove(name);  // room for the next one
    }
  }
  // FLAC and Opus: the same stop, and a file that decodes as far as it got.
  form.Stereo2Click();
  form.N48000Hz1Click();
  for (const auto& [ext, kind] : {std::pair{".flac", "FLAC"}, std::pair{".opus", "Opus"}}) {
    SCOPED_TRACE(ext);
    writeAll(disk + "/filler", std::vector<std::uint8_t>(ext == std::string(".flac") ? 0 : 40000, 1));
    EXPECT_EQ(recordUntilFull(disk + "/take" + ext), std::string("Could not write to the ") + kind + " file");
    const Decoded d = decode(disk + "/take" + ext);
    EXPECT_EQ(d.rate, 48000);
    EXPECT_GT(d.seconds(), 0.05);
    std::filesystem::remove(disk + "/take" + ext);
  }
  // A disk with no room at all: no empty file is left behind.
  writeAll(disk + "/filler", std::vector<std::uint8_t>(64 * 1024, 1));
  for (const auto& [ext, kind] : {std::pair{".wav", "Wave"}, std::pair{".flac", "FLAC"}, std::pair{".opus", "Opus"}}) {
    EXPECT_EQ(recordUntilFull(disk + "/none" + ext), std::string("Could not write to the ") + kind + " file");
    EXPECT_FALSE(std::filesystem::exists(disk + "/none" + ext));
  }
}

TEST_F(OutputFile, ARecordingTooLongForOneFileGoesOnInNumberedFiles) {
  form.Stereo2Click();
  const std::string path = dir.file("long.wav");
  choose(path);
  form.engine.maxDataBytes = 10000;  // stands for the 4 GiB of the format's 32-bit sizes
  std::vector<std::uint8_t> all;
  for (int i = 0; i < 7; ++i) {
    const auto b = buffer(4096);
    all.insert(all.end(), b.begin(), b.end());
    ASSERT_TRUE(form.engine.AppendToOutputFile(b.data(), 4096));
  }
  form.StopBtnClick();

  std::vector<std::uint8_t> joined;
  for (const char* name : {"long.wav", "long-2.wav", "long-3.wav", "long-4.wav"}) {
    const auto bytes = readAll(dir.file(name));
    const WavHeaderInfo info = WavReader::parse(bytes.data(), bytes.size());
    ASSERT_TRUE(info.ok()) << name;
    EXPECT_EQ(info.format.Format, form.WaveFormat) << name;
    EXPECT_FALSE(info.dataSizeRepaired) << name;  // every part was completed
    EXPECT_LE(info.dataBytes, 10000u);
    joined.insert(joined.end(), bytes.begin() + 44, bytes.end());
  }
  EXPECT_EQ(joined, all);  // nothing lost, nothing doubled, in order
  EXPECT_FALSE(std::filesystem::exists(dir.file("long-5.wav")));

  // FLAC has no such limit: one file, and every byte of it back (lossless).
  choose(dir.file("long.flac"));
  for (std::size_t at = 0; at < all.size(); at += 4096) ASSERT_TRUE(form.engine.AppendToOutputFile(&all[at], 4096));
  form.StopBtnClick();
  EXPECT_TRUE(host.messages().empty());
  const Decoded flac = decode(dir.file("long.flac"));
  ASSERT_EQ(flac.samples.size() * 2, all.size());
  EXPECT_EQ(std::memcmp(flac.samples.data(), all.data(), all.size()), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("long-2.flac")));
}
