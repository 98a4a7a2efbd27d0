#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <random>

#include "FormFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

using Names = std::vector<std::string>;

std::vector<std::uint8_t> bytesOf(const ConfigRecord& r) {
  const auto b = r.encode();
  return {b.begin(), b.end()};
}

class ConfigurationTest : public FormFixture {
 protected:
  std::string cfg() const { return dir.file("quorvane.cfg"); }
  void load(const ConfigRecord& r) {
    const auto b = r.encode();
    form.configuration.LoadFromBytes(b.data(), b.size());
  }
  std::size_t filesIn(const std::filesystem::path& p) const {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(p), std::filesystem::directory_iterator()));
  }
  Names tickedItems() {
    Names out;
    for (const MenuItemModel* m : {&form.Off1, &form.On1, &form.Mono2, &form.Stereo2, &form.N11025Hz1,
                                   &form.N22050Hz1, &form.N44100Hz1, &form.Bandpass1, &form.Time1, &form.Waterfall1})
      if (m->checked()) out.push_back(m->name());
    return out;
  }
};

// The filter a band and rate should give, designed apart from the form; finite throughout.
void expectFilter(const TVOXForm& f, float lowHz, float highHz, float rate) {
  BandpassFilter reference;
  reference.LowCutoff = lowHz / rate;
  reference.HighCutoff = highHz / rate;
  reference.DesignBandpassFilter();
  for (std::size_t i = 0; i < BandpassFilter::kTaps; ++i) ASSERT_EQ(f.filter.Kernel()[i], reference.Kernel()[i]) << i;
  for (float v : f.filter.ResponseRe()) ASSERT_TRUE(std::isfinite(v));
  for (float v : f.filter.ResponseIm()) ASSERT_TRUE(std::isfinite(v));
}

// A file whose writes stop after `limit` bytes, as on a full disk.
class FullDisk : public FileStream {
 public:
  FullDisk(std::unique_ptr<FileStream> f, std::size_t limit) : f_(std::move(f)), left_(limit) {}
  std::size_t read(void* d, std::size_t n) override { return f_->read(d, n); }
  std::size_t write(const void* d, std::size_t n) override {
    const std::size_t done = f_->write(d, std::min(n, left_));
    left_ -= done;
    return done;
  }
  bool seek(std::uint64_t o) override { return f_->seek(o); }
  bool seekToEnd() override { return f_->seekToEnd(); }
  std::uint64_t tell() override { return f_->tell(); }
  bool flush() override { return f_->flush(); }
  bool close() override { return f_->close(); }

 private:
  std::unique_ptr<FileStream> f_;
  std::size_t left_;
};

}  // namespace

TEST_F(ConfigurationTest, ADefaultsFileGivesTheDefaultsThroughEveryControl) {
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  startUp();
  EXPECT_EQ(form.ConfigFilePath, cfg());
  // Only the commands loading runs put ticks on the menus.
  EXPECT_EQ(tickedItems(), (Names{"Off1", "Mono2", "N11025Hz1", "Bandpass1", "Time1"}));
  for (const CheckBoxModel* b : {&form.VoxCheckBox, &form.FilterCheckBox, &form.TimerCheckBox, &form.FileBypassBox,
                                 &form.MuteCheckBox, &form.FileTransferCheckBox})
    EXPECT_FALSE(b->checked()) << b->name();
  EXPECT_EQ(form.Start_Hr.text() + form.Start_Min.text() + form.Start_Sec.text() + form.Start_AM_PM.text() +
                form.Stop_Hr.text() + form.Stop_Min.text() + form.Stop_Sec.text() + form.Stop_AM_PM.text(),
            "00h00m00sAM00h00m00sAM");
  EXPECT_EQ(form.InputGainMemo.text(), "    1 sec");
  EXPECT_EQ(form.ThresholdMemo.text(), "     0 dB");  // the handler ran: five blanks
  EXPECT_EQ(form.ThresholdFactor, 1.0f);
  EXPECT_EQ(form.OutputGainMemo.text(), "    0 dB");
  EXPECT_EQ(form.StatusMemo2.text(), "Channel Mode = MONO      Sample Rate = 11025 Hz");
  EXPECT_EQ(form.InputBufferBytes, 2048);
  expectFilter(form, 300.0f, 2400.0f, 11025.0f);
}

TEST_F(ConfigurationTest, SettingsSurviveARestartByteForByte) {
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  startUp();
  // A session's changes, made the way a user makes them.
  form.On1.click();
  form.Stereo2.click();
  form.N22050Hz1.click();
  form.Waterfall1.click();
  form.VoxCheckBox.click();
  form.MuteCheckBox.click();
  form.InputUpDnGain.click(UpDownModel::Button::Down);
  for (int i = 0; i < 13; ++i) form.OutputUpDnGain.click(UpDownModel::Button::Up);
  form.Start_AM_PM.click();
  form.StartTimeUpDn.click(UpDownModel::Button::Up);
  form.Setup1.click();
  form.FrequencySetForm.HiFreqMemo.userEdited("3100.5");
  form.FrequencySetForm.HiFreqMemo.keyUp(13);
  form.FormClose();
  const auto first = readAll(cfg());
  ASSERT_EQ(first.size(), 86u);

  TVOXForm next(host, audio);
  next.FormCreate();
  next.FormShow();
  EXPECT_TRUE(next.On1.checked() && next.Stereo2.checked() && next.N22050Hz1.checked() && next.Waterfall1.checked());
  EXPECT_TRUE(next.VoxCheckBox.checked() && next.MuteCheckBox.checked());
  EXPECT_EQ(next.InputBufferBytes, 8192);
  EXPECT_EQ(next.SquelchTimer.interval(), 500);
  EXPECT_EQ(next.GainFactor, 4);
  EXPECT_EQ(next.Start_AM_PM.text(), "PM");
  expectFilter(next, 300.0f, 3100.5f, 22050.0f);
  next.SaveConfiguration();
  EXPECT_EQ(readAll(cfg()), first);
}

TEST_F(ConfigurationTest, TheControlsBringLoadedValuesIntoLine) {
  ConfigRecord r;
  r.BandpassSelected = 0;
  r.HangTimeIndex = 9;
  r.OutputGainDb = 41;
  r.StartAmPm = 2;
  r.VoxEnabled = 7;   // neither on nor off: the box is left alone, the value kept
  r.DisplayType = 5;  // no such view: neither command runs
  writeAll(cfg(), bytesOf(r));
  startUp();
  EXPECT_EQ(form.InputGainMemo.text(), "    5 sec");
  EXPECT_EQ(form.SquelchTimer.interval(), 5000);
  EXPECT_EQ(form.Start_AM_PM.text(), "PM");
  EXPECT_FALSE(form.VoxCheckBox.checked());
  EXPECT_EQ(tickedItems(), (Names{"Off1", "Mono2", "N11025Hz1", "Bandpass1"}));

  form.FormClose();
  const auto b = readAll(cfg());
  EXPECT_EQ(u32At(b, 13), 2u);   // field 5
  EXPECT_EQ(u32At(b, 21), 5u);   // field 7: the control's maximum
  EXPECT_EQ(u32At(b, 25), 40u);
  EXPECT_EQ(u32At(b, 9), 7u);
  EXPECT_EQ(u32At(b, 17), 5u);
}

TEST_F(ConfigurationTest, EveryChannelCountButOneLoadsAsStereo) {
  startUp();
  for (auto [stored, channels] : {std::pair{0, 2}, {1, 1}, {5, 2}, {-1, 2}, {1, 1}}) {
    ConfigRecord r;
    r.ChannelCount = stored;
    load(r);
    EXPECT_EQ(form.ChannelCount, channels) << stored;
    EXPECT_EQ(form.WaveFormat.Channels, channels) << stored;
    EXPECT_EQ(form.InputBufferBytes, 2048 * channels) << stored;
    EXPECT_EQ(form.Stereo2.checked(), channels == 2) << stored;
  }
}

TEST_F(ConfigurationTest, ARateWithoutACommandKeepsTheBuffersOfTheRateBefore) {
  ConfigRecord r;
  r.SampleRate = 8000;
  writeAll(cfg(), bytesOf(r));
  startUp();
  EXPECT_EQ(form.WaveFormat.SampleRate, 8000u);
  EXPECT_EQ(form.SamplesPerBuffer, 1024u);
  EXPECT_EQ(form.InputBufferBytes, 2048);
  EXPECT_FALSE(form.N11025Hz1.checked() || form.N22050Hz1.checked() || form.N44100Hz1.checked());
  EXPECT_EQ(form.StatusMemo2.text(), "Channel Mode = MONO      Sample Rate = 8000 Hz");
  expectFilter(form, 300.0f, 2400.0f, 8000.0f);
}

// Values the program cannot run with keep the value in force instead of
// dividing by zero or filling the filter with NaN; the rest is taken as it is.
TEST_F(ConfigurationTest, NonsenseKeepsTheValueInForce) {
  startUp();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (std::uint32_t rate : {0u, 0x40000000u, 0xFFFFFFFFu}) {
    for (auto [low, high] : {std::pair{nan, nan}, {inf, -inf}, {-5.0f, 1e30f}}) {
      ConfigRecord r;
      r.SampleRate = rate;
      r.LowFrequency = low;
      r.HighFrequency = high;
      r.StartHour = std::numeric_limits<std::int32_t>::max();
      load(r);
      EXPECT_EQ(form.WaveFormat.AvgBytesPerSec, 22050u) << rate;
      EXPECT_TRUE(form.N11025Hz1.checked());
      EXPECT_EQ(form.LowFrequency, 300.0f) << low;
      EXPECT_EQ(form.HighFrequency, 2400.0f) << high;
      expectFilter(form, 300.0f, 2400.0f, 11025.0f);
    }
  }
  EXPECT_EQ(form.Start_Hr.text(), "2147483647h");

  std::mt19937 random(8);
  for (int i = 0; i < 100; ++i) {
    std::vector<std::uint8_t> bytes(random() % 120);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    form.configuration.LoadFromBytes(bytes.data(), bytes.size());
    ASSERT_NE(form.WaveFormat.AvgBytesPerSec, 0u);
    ASSERT_TRUE(std::isfinite(form.LowFrequency) && std::isfinite(form.HighFrequency));
    for (float v : form.filter.Kernel()) ASSERT_TRUE(std::isfinite(v));
  }
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(ConfigurationTest, AShortFileAppliesWhatItHoldsAndTheValuesInForceForTheRest) {
  std::vector<std::uint8_t> bytes = bytesOf(ConfigRecord{});
  bytes[0] = 1;  // stay on top
  bytes[1] = 4;  // input device 4
  bytes[5] = 9;  // output device: only two of its bytes are there
  bytes.resize(7);
  writeAll(cfg(), bytes);
  startUp();
  EXPECT_TRUE(form.MainWindow.stayOnTop());
  EXPECT_EQ(form.InputDeviceId, 4);
  EXPECT_EQ(form.OutputDeviceId, 0);
  EXPECT_EQ(tickedItems(), (Names{"On1", "Mono2", "N11025Hz1", "Bandpass1", "Time1"}));

  ConfigRecord stereo;
  stereo.ChannelCount = 2;
  bytes = bytesOf(stereo);
  bytes.resize(400, 0xEE);  // a longer file: the rest is ignored
  writeAll(cfg(), bytes);
  TVOXForm longer(host, audio);
  longer.FormCreate();
  longer.FormShow();
  EXPECT_EQ(longer.ChannelCount, 2);
  EXPECT_EQ(longer.WaveFormat.SampleRate, 11025u);
}

TEST_F(ConfigurationTest, FirstStartMakesTheFolderAndAFileOfDefaultsButKeepsAUsersFile) {
  const auto folder = dir.path() / "home" / ".config" / "quorvane";
  host.setConfigFilePath((folder / "quorvane.cfg").string());
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  EXPECT_EQ(readAll(host.configFilePath()), bytesOf(ConfigRecord{}));
  EXPECT_EQ(filesIn(folder), 1u);

  ConfigRecord mine;
  mine.ThresholdDb = 33;
  writeAll(host.configFilePath(), bytesOf(mine));
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  EXPECT_EQ(readAll(host.configFilePath()), bytesOf(mine));
}

TEST_F(ConfigurationTest, WithNoFileAndNoWayToMakeOneTheProgramRunsOnDefaultsAndSavesNothing) {
  writeAll(dir.file("home"), {'x'});  // a file where the folder would go
  host.setConfigFilePath((dir.path() / "home" / "quorvane" / "quorvane.cfg").string());
  EXPECT_FALSE(Configuration::CreateDefaultFile(host));
  startUp();
  EXPECT_EQ(form.ConfigFilePath, "");
  EXPECT_TRUE(form.ConfigLED.checked());
  EXPECT_TRUE(tickedItems().empty());
  form.VoxCheckBox.click();
  form.FormClose();
  EXPECT_EQ(filesIn(dir.path()), 1u);
}

TEST_F(ConfigurationTest, InAReadOnlyFolderNothingIsCreatedOrSaved) {
  const auto folder = dir.path() / "readonly";
  std::filesystem::create_directories(folder);
  ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
  if (access(folder.c_str(), W_OK) == 0) {
    chmod(folder.c_str(), 0755);
    GTEST_SKIP() << "running with rights that write into a read-only folder";
  }
  host.setConfigFilePath((folder / "quorvane.cfg").string());
  EXPECT_FALSE(Configuration::CreateDefaultFile(host));
  startUp();
  form.FormClose();
  EXPECT_EQ(filesIn(folder), 0u);
  chmod(folder.c_str(), 0755);
}

TEST_F(ConfigurationTest, AFailedSaveLeavesTheOldFileWhole) {
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  startUp();
  form.VoxCheckBox.click();
  host.setFileOpener([](const std::string& p, FileMode m) -> std::unique_ptr<FileStream> {
    auto f = openStdioFile(p, m);
    if (!f || m == FileMode::ReadBinary) return f;
    return std::make_unique<FullDisk>(std::move(f), 40);
  });
  form.SaveConfiguration();
  EXPECT_EQ(readAll(cfg()), bytesOf(ConfigRecord{}));
  EXPECT_EQ(filesIn(dir.path()), 1u);  // no temporary left behind

  host.setFileOpener(nullptr);
  form.SaveConfiguration();
  ConfigRecord expected;
  expected.VoxEnabled = 1;
  EXPECT_EQ(readAll(cfg()), bytesOf(expected));
  EXPECT_EQ(filesIn(dir.path()), 1u);
}
