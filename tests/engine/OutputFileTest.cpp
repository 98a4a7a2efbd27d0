#include <gtest/gtest.h>

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

  static WavHeaderInfo onDisk(const std::string& path) {
    const auto bytes = readAll(path);
    return WavReader::parse(bytes.data(), bytes.size());
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
  const WavHeaderInfo info = onDisk(path);
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info.declaredDataBytes, appended);
  const auto bytes = readAll(path);
  for (std::uint32_t i = 0; i < appended; ++i) ASSERT_EQ(bytes[44 + i], static_cast<std::uint8_t>(i)) << i;
}

TEST_F(OutputFile, AFullDiskStopsTheRecordingWithAFileThatHoldsWhatWasWritten) {
  const std::string path = dir.file("full.wav");
  host.setFileOpener([](const std::string& p, FileMode m) -> std::unique_ptr<FileStream> {
    auto f = openStdioFile(p, m);
    if (!f) return nullptr;
    return std::make_unique<LimitedFile>(std::move(f), 44 + 3 * 4096 + 1000);
  });
  choose(path);
  int accepted = 0;
  while (form.engine.AppendToOutputFile(buffer(4096).data(), 4096)) ++accepted;
  EXPECT_EQ(accepted, 3);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text, "Could not write to the Wave file");
  EXPECT_EQ(host.messages()[0].caption, "File Error Message");
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  EXPECT_EQ(form.StopRequested, 1);
  EXPECT_EQ(form.OutputFileOpen, 0);
  // The header describes the whole frames that reached the file, nothing more.
  const auto bytes = readAll(path);
  EXPECT_EQ(u32At(bytes, 40), 3u * 4096u + 1000u);
  EXPECT_EQ(bytes.size(), 44u + 3u * 4096u + 1000u);
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
}
