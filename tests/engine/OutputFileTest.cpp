#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "Decoded.h"
#include "FormFixture.h"
#include "LimitedFile.h"
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

  // An output file opened from the menu, written by the record loop.
  void choose(const std::string& path) {
    host.queueFileChoice(path);
    form.OpenOutput1Click();
    ASSERT_EQ(form.OutputFileOpen, 1);
    form.ActivityState = ActivityRecording;
    form.StopRequested = 0;
  }
};

}  // namespace

// Stop keeps the counter's last time (the rest of the window at rest is the action sequences' check), and
// a file whose header cannot be brought up to date is reported, not passed off as complete.
TEST_F(OutputFile, StopKeepsTheLastTimeAndReportsAHeaderThatCouldNotBeWritten) {
  struct FailingWrites : LimitedFile {  // no byte fits, nothing flushes
    using LimitedFile::LimitedFile;
    bool flush() override { return false; }
  };
  host.setFileOpener([](const std::string& p, FileMode m) -> std::unique_ptr<FileStream> {
    return std::make_unique<FailingWrites>(openStdioFile(p, m), 0);
  });
  form.OutputFile = host.openFile(dir.file("full.wav"), FileMode::CreateBinary);
  form.OutputFileOpen = 1;
  form.OutputDataBytes = 4096;
  form.RecordPlayTimer.SetCount(true);
  host.sleepMs(65'000);
  form.StopBtnClick();
  host.sleepMs(10'000);
  EXPECT_EQ(form.RecordPlayTimer.minutes() * 60 + form.RecordPlayTimer.seconds(), 65);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(std::tuple(host.messages()[0].caption, host.messages()[0].text, form.OutputFileOpen),
            std::tuple("File Error Message", "Could not complete the Wave file", 0));
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
  // Each take in its format, after a filler that leaves it that much less room (64 KiB: none at all).
  struct Take { std::uint16_t channels; std::uint32_t rate; std::size_t filler; std::string ext, kind; };
  std::vector<Take> takes;
  for (const auto& [channels, rate] : {std::pair{1, 11025u}, {2, 11025u}, {1, 44100u}, {2, 22050u}})
    for (const std::size_t filler : {0, 1000, 3000})
      takes.push_back({static_cast<std::uint16_t>(channels), rate, filler, ".wav", "Wave"});
  takes.push_back({2, 48000, 0, ".flac", "FLAC"});
  takes.push_back({2, 48000, 40000, ".opus", "Opus"});
  for (const auto& [ext, kind] : {std::pair{".wav", "Wave"}, std::pair{".flac", "FLAC"}, std::pair{".opus", "Opus"}})
    takes.push_back({2, 48000, 64 * 1024, ext, kind});
  int n = 0;
  for (const Take& t : takes) {
    const std::string name = disk + "/take" + std::to_string(n++) + t.ext;
    SCOPED_TRACE(name);
    writeAll(disk + "/filler", std::vector<std::uint8_t>(t.filler, 1));
    form.formats.SelectChannels(t.channels);
    form.formats.SelectRate(t.rate);
    host.clearMessages();
    host.queueFileChoice(name);
    host.after(60000, [this] { form.StopBtn.click(); });  // never needed: the full disk stops it
    form.RecordBtn.click();
    EXPECT_EQ(form.ActivityState, ActivityStopped);
    ASSERT_FALSE(host.messages().empty());
    EXPECT_EQ(host.messages()[0].text, "Could not write to the " + t.kind + " file");
    if (t.filler == 64 * 1024) {
      EXPECT_FALSE(std::filesystem::exists(name));
    } else if (t.ext == ".wav") {
      const auto bytes = readAll(name);
      ASSERT_GE(bytes.size(), 44u);
      EXPECT_EQ(u32At(bytes, 40), bytes.size() - 44) << "the header claims sound that is not in the file";
      EXPECT_EQ(u32At(bytes, 4), bytes.size() - 8);
    } else {  // a file that decodes as far as it got
      const Decoded d = decode(name);
      EXPECT_EQ(d.rate, 48000);
      EXPECT_GT(d.seconds(), 0.05);
    }
    std::filesystem::remove(name);  // room for the next one
  }
}

TEST_F(OutputFile, ARecordingTooLongForOneFileGoesOnInNumberedFiles) {
  form.Stereo2Click();
  const std::string path = dir.file("long.wav");
  choose(path);
  form.engine.maxDataBytes = 10000;  // stands for the 4 GiB of the format's 32-bit sizes
  // Seven buffers of a pattern that differs from buffer to buffer.
  std::vector<std::uint8_t> all(7 * 4096);
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::uint8_t>(i + i / 4096);
  for (std::size_t at = 0; at < all.size(); at += 4096) {
    host.sleepMs(at == 4096 ? 1000 : 0);
    ASSERT_TRUE(form.engine.AppendToOutputFile(&all[at], 4096));
    // A second after the header was last written, an append brings it up to date.
    EXPECT_TRUE(at != 4096 || u32At(readAll(path), 40) == 8192u);
  }
  form.StopBtnClick();

  std::vector<std::uint8_t> joined;
  for (const char* name : {"long.wav", "long-2.wav", "long-3.wav", "long-4.wav"}) {
    const auto bytes = readAll(dir.file(name));
    const WavHeaderInfo info = WavReader::parse(bytes.data(), bytes.size());
    ASSERT_TRUE(info.ok()) << name;  // each part valid and completed, in the format of its sound
    EXPECT_EQ(std::tuple(info.format.Format, info.dataSizeRepaired), std::tuple(form.WaveFormat, false)) << name;
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
