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

class ConfigurationTest : public FormFixture {
 protected:
  std::string cfg() const { return dir.file("quorvane.cfg"); }

  void writeRecord(const ConfigRecord& r) {
    const auto b = r.encode();
    writeAll(cfg(), {b.begin(), b.end()});
  }
  static std::vector<std::uint8_t> bytesOf(const ConfigRecord& r) {
    const auto b = r.encode();
    return {b.begin(), b.end()};
  }
  void load(const ConfigRecord& r) {
    const auto b = r.encode();
    form.configuration.LoadFromBytes(b.data(), b.size());
  }

  // The filter a band and rate should give, designed independently of the form.
  static void expectFilter(const TVOXForm& f, float lowHz, float highHz, float rate) {
    BandpassFilter reference;
    reference.LowCutoff = lowHz / rate;
    reference.HighCutoff = highHz / rate;
    reference.DesignBandpassFilter();
    for (std::size_t i = 0; i < BandpassFilter::kTaps; ++i) ASSERT_EQ(f.filter.Kernel()[i], reference.Kernel()[i]) << i;
  }
  static void expectFiniteFilter(const TVOXForm& f) {
    for (float v : f.filter.Kernel()) ASSERT_TRUE(std::isfinite(v));
    for (float v : f.filter.ResponseRe()) ASSERT_TRUE(std::isfinite(v));
    for (float v : f.filter.ResponseIm()) ASSERT_TRUE(std::isfinite(v));
  }

  std::vector<std::string> ticked(std::initializer_list<const MenuItemModel*> items) {
    std::vector<std::string> out;
    for (const MenuItemModel* m : items)
      if (m->checked()) out.push_back(m->name());
    return out;
  }
  std::vector<std::string> tickedItems() {
    return ticked({&form.Off1, &form.On1, &form.Mono2, &form.Stereo2, &form.N11025Hz1, &form.N22050Hz1,
                   &form.N44100Hz1, &form.Bandpass1, &form.Time1, &form.Waterfall1});
  }
  std::vector<std::string> times() {
    std::vector<std::string> out;
    for (const LabelModel* l : {&form.Start_Hr, &form.Start_Min, &form.Start_Sec, &form.Start_AM_PM, &form.Stop_Hr,
                                &form.Stop_Min, &form.Stop_Sec, &form.Stop_AM_PM})
      out.push_back(l->text());
    return out;
  }
  std::vector<std::string> checkedBoxes() {
    std::vector<std::string> out;
    for (const CheckBoxModel* b : {&form.VoxCheckBox, &form.FilterCheckBox, &form.TimerCheckBox, &form.FileBypassBox,
                                   &form.MuteCheckBox, &form.FileTransferCheckBox})
      if (b->checked()) out.push_back(b->name());
    return out;
  }

  using Names = std::vector<std::string>;
};

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
  EXPECT_TRUE(form.ConfigLED.checked());
  // Only the commands loading runs put ticks on the menus.
  EXPECT_EQ(tickedItems(), (Names{"Off1", "Mono2", "N11025Hz1", "Bandpass1", "Time1"}));
  EXPECT_TRUE(checkedBoxes().empty());
  EXPECT_EQ(times(), (Names{"00h", "00m", "00s", "AM", "00h", "00m", "00s", "AM"}));
  EXPECT_EQ(form.InputUpDnGain.position(), 1);
  EXPECT_EQ(form.InputGainMemo.text(), "    1 sec");
  EXPECT_EQ(form.SquelchTimer.interval(), 1000);
  EXPECT_EQ(form.ThresholdMemo.text(), "     0 dB");  // the handler ran
  EXPECT_EQ(form.ThresholdFactor, 1.0f);
  EXPECT_EQ(form.OutputGainMemo.text(), "    0 dB");
  EXPECT_EQ(form.GainFactor, 1);
  EXPECT_EQ(form.StatusMemo2.text(), "Channel Mode = MONO      Sample Rate = 11025 Hz");
  EXPECT_EQ(form.InputBufferBytes, 2048);
  EXPECT_EQ(form.LowFrequency, 300.0f);
  EXPECT_EQ(form.HighFrequency, 2400.0f);
  expectFilter(form, 300.0f, 2400.0f, 11025.0f);
  EXPECT_EQ(form.ActivityState, ActivityStopped);
}

TEST_F(ConfigurationTest, SettingsSurviveARestartByteForByte) {
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  startUp();
  // A session's worth of changes, made the way a user makes them.
  form.On1.click();
  form.Stereo2.click();
  form.N22050Hz1.click();
  form.Waterfall1.click();
  for (CheckBoxModel* b : {&form.VoxCheckBox, &form.FilterCheckBox, &form.TimerCheckBox, &form.MuteCheckBox})
    b->click();
  form.InputUpDnGain.click(UpDownModel::Button::Down);
  for (int i = 0; i < 13; ++i) form.OutputUpDnGain.click(UpDownModel::Button::Up);
  for (int i = 0; i < 20; ++i) form.InputThresholdUpDn.click(UpDownModel::Button::Up);
  form.Start_Hr.click();
  for (int i = 0; i < 9; ++i) form.StartTimeUpDn.click(UpDownModel::Button::Up);
  form.Start_AM_PM.click();
  form.StartTimeUpDn.click(UpDownModel::Button::Up);
  form.Stop_Min.click();
  for (int i = 0; i < 45; ++i) form.StopTimeUpDn.click(UpDownModel::Button::Up);
  form.Setup1.click();
  form.FrequencySetForm.LoFreqMemo.userEdited("450");
  form.FrequencySetForm.LoFreqMemo.keyUp(13);
  form.FrequencySetForm.HiFreqMemo.userEdited("3100.5");
  form.FrequencySetForm.HiFreqMemo.keyUp(13);
  form.InputDeviceId = 3;
  form.FormClose();
  const auto first = readAll(cfg());
  ASSERT_EQ(first.size(), 86u);

  TVOXForm next(host);
  next.FormCreate();
  next.FormShow();
  EXPECT_TRUE(next.On1.checked());
  EXPECT_TRUE(next.Stereo2.checked());
  EXPECT_TRUE(next.N22050Hz1.checked());
  EXPECT_TRUE(next.Waterfall1.checked());
  EXPECT_EQ(next.InputBufferBytes, 8192);
  EXPECT_TRUE(next.VoxCheckBox.checked() && next.FilterCheckBox.checked() && next.TimerCheckBox.checked() &&
              next.MuteCheckBox.checked());
  EXPECT_EQ(next.InputGainMemo.text(), "   0.5 sec");
  EXPECT_EQ(next.SquelchTimer.interval(), 500);
  EXPECT_EQ(next.GainFactor, 4);
  EXPECT_FLOAT_EQ(next.ThresholdFactor, 10.0f);
  EXPECT_EQ(next.Start_Hr.text(), "09h");
  EXPECT_EQ(next.Start_AM_PM.text(), "PM");
  EXPECT_EQ(next.Stop_Min.text(), "45m");
  EXPECT_EQ(next.InputDeviceId, 3);
  EXPECT_EQ(next.HighFrequency, 3100.5f);
  expectFilter(next, 450.0f, 3100.5f, 22050.0f);

  next.SaveConfiguration();
  EXPECT_EQ(readAll(cfg()), first);
}

TEST_F(ConfigurationTest, TheControlsBringLoadedValuesIntoLine) {
  ConfigRecord r;
  r.BandpassSelected = 0;
  r.HangTimeIndex = 9;
  r.OutputGainDb = 41;
  r.ThresholdDb = -3;
  r.StartAmPm = 2;
  r.StopAmPm = 0;
  r.VoxEnabled = 7;   // neither on nor off: the box is left alone, the value kept
  r.DisplayType = 5;  // no view: neither command runs
  r.StayOnTop = 2;
  writeRecord(r);
  startUp();
  EXPECT_TRUE(form.Bandpass1.checked());
  EXPECT_EQ(form.InputUpDnGain.position(), 5);
  EXPECT_EQ(form.InputGainMemo.text(), "    5 sec");
  EXPECT_EQ(form.SquelchTimer.interval(), 5000);
  EXPECT_EQ(form.GainFactor, 100);
  EXPECT_EQ(form.ThresholdDb, 0);
  EXPECT_EQ(form.Start_AM_PM.text(), "PM");
  EXPECT_EQ(form.Stop_AM_PM.text(), "PM");
  EXPECT_FALSE(form.VoxCheckBox.checked());
  EXPECT_FALSE(form.Time1.checked() || form.Waterfall1.checked());
  EXPECT_TRUE(form.Off1.checked());

  form.FormClose();
  const auto b = readAll(cfg());
  ASSERT_EQ(b.size(), 86u);
  EXPECT_EQ(u32At(b, 13), 2u);   // field 5
  EXPECT_EQ(u32At(b, 21), 5u);   // field 7
  EXPECT_EQ(u32At(b, 25), 40u);  // field 8
  EXPECT_EQ(u32At(b, 34), 0u);   // field 14
  EXPECT_EQ(u32At(b, 9), 7u);
  EXPECT_EQ(u32At(b, 17), 5u);
  EXPECT_EQ(b[0], 0);
}

TEST_F(ConfigurationTest, EveryChannelCountButOneLoadsAsStereo) {
  startUp();
  const std::pair<std::int32_t, std::uint16_t> cases[] = {{0, 2}, {1, 1}, {5, 2}, {-1, 2}, {1, 1}, {2, 2}};
  for (auto [stored, channels] : cases) {
    ConfigRecord r;
    r.ChannelCount = stored;
    load(r);
    EXPECT_EQ(form.ChannelCount, channels) << stored;
    EXPECT_EQ(form.WaveFormat.Channels, channels) << stored;
    EXPECT_EQ(form.OutputWaveFormat.Channels, channels) << stored;
    EXPECT_EQ(form.InputBufferBytes, 2048 * channels) << stored;
    EXPECT_EQ(form.Stereo2.checked(), channels == 2) << stored;
    EXPECT_EQ(form.Mono2.checked(), channels == 1) << stored;
  }
}

TEST_F(ConfigurationTest, ARateWithoutACommandKeepsTheBuffersOfTheRateBefore) {
  ConfigRecord r;
  r.SampleRate = 8000;
  writeRecord(r);
  startUp();
  EXPECT_EQ(form.WaveFormat.SampleRate, 8000u);
  EXPECT_EQ(form.WaveFormat.AvgBytesPerSec, 16000u);
  EXPECT_EQ(form.SamplesPerBuffer, 1024u);
  EXPECT_EQ(form.InputBufferBytes, 2048);
  EXPECT_FALSE(form.N11025Hz1.checked() || form.N22050Hz1.checked() || form.N44100Hz1.checked());
  EXPECT_EQ(form.StatusMemo2.text(), "Channel Mode = MONO      Sample Rate = 8000 Hz");
  expectFilter(form, 300.0f, 2400.0f, 8000.0f);
  form.FormClose();
  EXPECT_EQ(u32At(readAll(cfg()), 70), 8000u);
}

// Values the program cannot run with keep the value in force instead of
// dividing by zero or filling the filter with NaN.
TEST_F(ConfigurationTest, NonsenseKeepsTheValueInForce) {
  startUp();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const std::uint32_t rates[] = {0, 0x40000000u, 0xFFFFFFFFu};
  const std::pair<float, float> bands[] = {{nan, nan}, {inf, -inf}, {-5.0f, 1e30f}, {-inf, nan}};
  for (std::uint32_t rate : rates) {
    for (auto [low, high] : bands) {
      ConfigRecord r;
      r.SampleRate = rate;
      r.LowFrequency = low;
      r.HighFrequency = high;
      r.StartHour = std::numeric_limits<std::int32_t>::max();
      r.StopMinute = -1;
      load(r);
      EXPECT_EQ(form.WaveFormat.SampleRate, 11025u) << rate;
      EXPECT_TRUE(form.N11025Hz1.checked());
      EXPECT_EQ(form.WaveFormat.AvgBytesPerSec, 22050u);
      EXPECT_EQ(form.LowFrequency, 300.0f) << low;
      EXPECT_EQ(form.HighFrequency, 2400.0f) << high;
      expectFiniteFilter(form);
      expectFilter(form, 300.0f, 2400.0f, 11025.0f);
    }
  }
  // Hours out of range are shown as they are and never match.
  EXPECT_EQ(form.Start_Hr.text(), "2147483647h");
  EXPECT_EQ(form.Stop_Min.text(), "0-1m");

  // A usable odd value is taken.
  ConfigRecord r;
  r.SampleRate = 1;
  r.LowFrequency = 0.0f;
  r.HighFrequency = 1.0e6f;
  load(r);
  EXPECT_EQ(form.WaveFormat.SampleRate, 1u);
  EXPECT_EQ(form.HighFrequency, 1.0e6f);
  expectFiniteFilter(form);
}

TEST_F(ConfigurationTest, RandomContentLoadsWithoutHarm) {
  startUp();
  std::mt19937 random(8);
  for (int i = 0; i < 150; ++i) {
    std::vector<std::uint8_t> bytes(random() % 120);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    form.configuration.LoadFromBytes(bytes.data(), bytes.size());
    ASSERT_NE(form.WaveFormat.SampleRate, 0u);
    ASSERT_NE(form.WaveFormat.AvgBytesPerSec, 0u);
    ASSERT_TRUE(form.ChannelCount == 1 || form.ChannelCount == 2);
    ASSERT_LE(form.InputBufferBytes, 16384);
    ASSERT_TRUE(form.HangTimeIndex >= 0 && form.HangTimeIndex <= 5);
    ASSERT_NO_FATAL_FAILURE(expectFiniteFilter(form));
    ASSERT_TRUE(host.messages().empty());
  }
}

TEST_F(ConfigurationTest, AShortFileAppliesWhatItHoldsAndTheValuesInForceForTheRest) {
  std::vector<std::uint8_t> bytes = bytesOf(ConfigRecord{});
  bytes[0] = 1;   // stay on top
  bytes[1] = 4;   // input device 4
  bytes[5] = 9;   // output device: only two of its bytes are there
  bytes.resize(7);
  writeAll(cfg(), bytes);
  startUp();
  EXPECT_EQ(form.StayOnTop, 1);
  EXPECT_TRUE(form.MainWindow.stayOnTop());
  EXPECT_EQ(form.InputDeviceId, 4);
  EXPECT_EQ(form.OutputDeviceId, 0);
  // The rest is applied as it stood.
  EXPECT_EQ(tickedItems(), (Names{"On1", "Mono2", "N11025Hz1", "Bandpass1", "Time1"}));
  EXPECT_EQ(form.ThresholdMemo.text(), "     0 dB");

  // An empty file, and one longer than the record.
  writeAll(cfg(), {});
  TVOXForm empty(host);
  empty.FormCreate();
  empty.FormShow();
  EXPECT_TRUE(empty.Off1.checked() && empty.Mono2.checked());

  ConfigRecord stereo;
  stereo.ChannelCount = 2;
  bytes = bytesOf(stereo);
  bytes.resize(400, 0xEE);
  writeAll(cfg(), bytes);
  TVOXForm longer(host);
  longer.FormCreate();
  longer.FormShow();
  EXPECT_EQ(longer.ChannelCount, 2);
  EXPECT_EQ(longer.WaveFormat.SampleRate, 11025u);
}

TEST_F(ConfigurationTest, WithNoFileTheProgramRunsOnDefaultsAndSavesNothing) {
  startUp();
  EXPECT_EQ(form.ConfigFilePath, "");
  EXPECT_TRUE(form.ConfigLED.checked());
  EXPECT_TRUE(tickedItems().empty());
  form.VoxCheckBox.click();
  form.FormClose();
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(ConfigurationTest, AFileGoneBeforeLoadingIsWrittenFromTheSettingsInForce) {
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  form.FormCreate();
  std::filesystem::remove(cfg());
  form.Stereo2.click();
  form.FormShow();
  ConfigRecord expected;
  expected.ChannelCount = 2;
  EXPECT_EQ(readAll(cfg()), bytesOf(expected));
  EXPECT_FALSE(form.N11025Hz1.checked());  // nothing was applied
}

TEST_F(ConfigurationTest, FirstStartMakesTheFolderAndAFileOfDefaults) {
  const std::string path = (dir.path() / "home" / ".config" / "quorvane" / "quorvane.cfg").string();
  host.setConfigFilePath(path);
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  EXPECT_EQ(readAll(path), bytesOf(ConfigRecord{}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "home" / ".config" / "quorvane"),
                          std::filesystem::directory_iterator()),
            1);

  // A file already there is the user's: it is left alone.
  ConfigRecord mine;
  mine.ThresholdDb = 33;
  writeAll(path, bytesOf(mine));
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  EXPECT_EQ(readAll(path), bytesOf(mine));
}

TEST_F(ConfigurationTest, WhereNoFolderCanBeMadeTheProgramRunsOnDefaults) {
  writeAll(dir.file("home"), {'x'});  // a file where the folder would go
  const std::string path = (dir.path() / "home" / "quorvane" / "quorvane.cfg").string();
  host.setConfigFilePath(path);
  EXPECT_FALSE(Configuration::CreateDefaultFile(host));
  startUp();
  EXPECT_EQ(form.ConfigFilePath, "");
  form.FormClose();
  EXPECT_EQ(readAll(dir.file("home")), std::vector<std::uint8_t>{'x'});
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
  EXPECT_EQ(form.ConfigFilePath, "");
  form.FormClose();
  EXPECT_TRUE(std::filesystem::is_empty(folder));
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
  auto onlyTheFile = [&] {
    return std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()) == 1;
  };
  EXPECT_TRUE(onlyTheFile());  // no temporary left behind

  host.setFileOpener(nullptr);
  form.SaveConfiguration();
  ConfigRecord expected;
  expected.VoxEnabled = 1;
  EXPECT_EQ(readAll(cfg()), bytesOf(expected));
  EXPECT_TRUE(onlyTheFile());
}
