#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "FormFixture.h"
#include "LimitedFile.h"
#include "OtherInstance.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

using Lines = std::vector<std::string>;

std::vector<std::uint8_t> bytesOf(const ConfigRecord& r) {
  const auto b = r.encode();
  return {b.begin(), b.end()};
}

std::size_t filesIn(const std::filesystem::path& p) {
  return static_cast<std::size_t>(
      std::distance(std::filesystem::directory_iterator(p), std::filesystem::directory_iterator()));
}

Lines tickedItems(const TVOXForm& f) {
  Lines out;
  for (const MenuItemModel* m : {&f.Off1, &f.On1, &f.Mono2, &f.Stereo2, &f.N11025Hz1, &f.N22050Hz1, &f.N44100Hz1,
                                 &f.Bandpass1, &f.Time1, &f.Waterfall1})
    if (m->checked()) out.push_back(m->name());
  return out;
}

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

class ConfigurationTest : public FormFixture {
 protected:
  std::string cfg() const { return dir.file("quorvane.cfg"); }
  void load(const ConfigRecord& r) {
    const auto b = r.encode();
    form.configuration.LoadFromBytes(b.data(), b.size());
  }
};

}  // namespace

// The first start makes the folder and a file of defaults; a user's file is
// kept, and a short one applies what it holds (stay on top, input device 4,
// not the two bytes of an output device 9) and the values in force for the
// rest. "Exit" saves before the window (a shell's close box) closes, then
// closes through the same path, which stops the timers and ends the program.
TEST_F(ConfigurationTest, SettingsLoadThroughTheirCommandsAndSurviveExitAndARestartByteForByte) {
  const auto folder = dir.path() / "home" / ".config" / "quorvane";
  const std::string cfg = (folder / "quorvane.cfg").string();
  host.setConfigFilePath(cfg);
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  EXPECT_EQ(readAll(cfg), bytesOf(ConfigRecord{}));
  EXPECT_EQ(filesIn(folder), 1u);
  writeAll(cfg, {1, 4, 0, 0, 0, 9, 0});
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  for (int i = 0; i < 4; ++i) audio.addDevice(WaveDirection::Input, "another");
  // A value one beyond its range in the logging file leaves the default.
  const std::string logging = "pre_roll_buffers = 6\nmin_length_ms = 2001\nmax_length_minutes = 1441\n";
  writeAll(Configuration::LoggingFilePath(cfg), {logging.begin(), logging.end()});
  startUp();
  EXPECT_EQ(form.transmissions.settings, LoggingSettings{});
  EXPECT_EQ(std::pair(form.InputDeviceId, form.OutputDeviceId), std::pair(4, 0));
  // Loading runs the commands: only they put ticks on the menus and five blanks before the threshold.
  EXPECT_EQ(tickedItems(form), (Lines{"On1", "Mono2", "N11025Hz1", "Bandpass1", "Time1"}));
  EXPECT_EQ(form.ThresholdMemo.text(), "     0 dB");
  // A session's changes, made the way a user makes them.
  for (auto* item : {&form.Off1, &form.Stereo2, &form.N22050Hz1, &form.Waterfall1}) item->click();
  for (auto* box : {&form.VoxCheckBox, &form.MuteCheckBox, &form.LoggingSettingsForm.OneFileBox}) box->click();
  form.Start_AM_PM.click();
  form.InputUpDnGain.click(UpDownModel::Button::Down);
  for (int i = 0; i < 13; ++i) form.OutputUpDnGain.click(UpDownModel::Button::Up);
  form.StartTimeUpDn.click(UpDownModel::Button::Up);
  form.Setup1.click();
  form.Logging1.click();
  for (auto [memo, text] : {std::pair{&form.FrequencySetForm.HiFreqMemo, "3100.5"},
                            {&form.LoggingSettingsForm.PreRollMemo, "5"},
                            {&form.LoggingSettingsForm.MaxLengthMemo, "1440"}}) {
    memo->userEdited(text);
    memo->keyUp(13);
  }
  form.PauseTimer.setEnabled(true);
  std::vector<std::uint8_t> first;
  form.closeWindow = [&] {
    first = readAll(cfg);
    form.FormClose();
  };
  form.Exit1.click();
  EXPECT_FALSE(form.PauseTimer.enabled());
  EXPECT_EQ(host.terminateRequests(), 1);
  ASSERT_EQ(first.size(), 86u);
  EXPECT_EQ(readAll(cfg), first);

  TVOXForm next(host, audio);
  next.FormCreate();
  next.FormShow();
  EXPECT_EQ(tickedItems(next), (Lines{"Off1", "Stereo2", "N22050Hz1", "Bandpass1", "Waterfall1"}));
  EXPECT_EQ(next.transmissions.settings, (LoggingSettings{5, true, 0, 1440}));
  next.SaveConfiguration();
  EXPECT_EQ(readAll(cfg), first);
}

// Whatever the bytes, every field loads as a value the controls show and the
// loops understand, and only such a value is saved back. A box field of 2 once
// showed an unticked box while Record behaved as if it were ticked; a rate
// without its buffer size lost most of the sound; a device that is not there
// ended the program at the first Record; a band the dialog would refuse
// filtered away everything.
TEST_F(ConfigurationTest, EveryLoadedValueComesOutAsOneTheProgramRunsWith) {
  startUp();
  using Edit = std::function<void(ConfigRecord&)>;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Edit valid = [](auto& r) { r.VoxEnabled = 1, r.FilterEnabled = 1, r.DisplayType = 1, r.MuteEnabled = 1; };
  // What is stored, and what loads from it (unset: the defaults).
  const std::pair<Edit, Edit> cases[] = {
      {[](auto& r) { r.FileBypass = 2, r.TimerEnabled = 2; }, {}},
      {[](auto& r) { r.FileTransfer = 255, r.StayOnTop = 7, r.FilterEnabled = 3, r.MuteEnabled = 9; }, {}},
      {[](auto& r) { r.VoxEnabled = 7, r.DisplayType = 5, r.BandpassSelected = 0; }, {}},
      {valid, valid},
      {[](auto& r) { r.HangTimeIndex = 9, r.OutputGainDb = 41, r.ThresholdDb = 65539; },
       [](auto& r) { r.HangTimeIndex = 5, r.OutputGainDb = 40, r.ThresholdDb = 60; }},
      {[](auto& r) { r.SampleRate = 7, r.InputDeviceId = 1, r.OutputDeviceId = -5; }, {}},
      {[](auto& r) { r.SampleRate = 0x3FFFFFFF; }, {}},
      {[](auto& r) { r.SampleRate = 96000; }, {}},
      {[](auto& r) { r.SampleRate = 48000, r.ChannelCount = 2, r.HighFrequency = 20000; },
       [](auto& r) { r.SampleRate = 48000, r.ChannelCount = 2, r.HighFrequency = 20000; }},
      {[](auto& r) { r.SampleRate = 44100, r.ChannelCount = 0; },
       [](auto& r) { r.SampleRate = 44100, r.ChannelCount = 2; }},
      {[](auto& r) { r.StartHour = INT32_MAX, r.StopMinute = -3, r.StartSecond = 75, r.StopAmPm = 7; },
       [](auto& r) { r.StartHour = 12, r.StartSecond = 59, r.StopAmPm = 2; }},
      {[](auto& r) { r.HighFrequency = 900000; }, [](auto& r) { r.HighFrequency = 5512; }},
      {[](auto& r) { r.SampleRate = 44100, r.LowFrequency = -5, r.HighFrequency = 1e30f; },
       [](auto& r) { r.SampleRate = 44100, r.LowFrequency = 0, r.HighFrequency = 22050; }},
      {[](auto& r) { r.LowFrequency = 2000, r.HighFrequency = 1000; }, {}},
      {[](auto& r) { r.LowFrequency = 0, r.HighFrequency = 0; }, {}},
      {[nan](auto& r) { r.LowFrequency = nan, r.HighFrequency = -nan; }, {}},
  };
  for (const auto& [edit, expectedEdit] : cases) {
    SCOPED_TRACE(&edit - &cases[0].first);
    load(ConfigRecord{});
    ConfigRecord stored, e;
    edit(stored);
    if (expectedEdit) expectedEdit(e);
    load(stored);
    EXPECT_EQ(bytesOf(form.configuration.current()), bytesOf(e));
    for (auto [box, field] : {std::pair{&form.VoxCheckBox, e.VoxEnabled}, {&form.FilterCheckBox, e.FilterEnabled},
                              {&form.TimerCheckBox, e.TimerEnabled}, {&form.FileBypassBox, e.FileBypass},
                              {&form.MuteCheckBox, e.MuteEnabled}, {&form.FileTransferCheckBox, e.FileTransfer}})
      EXPECT_EQ(box->checked(), field == 1) << box->name();
    EXPECT_EQ(form.InputBufferBytes, e.SampleRate / 11025 * 2048 * e.ChannelCount);
    EXPECT_EQ(form.Waterfall1.checked(), e.DisplayType == 1);
    EXPECT_EQ(form.Start_Hr.text(), e.StartHour == 12 ? "12h" : "00h");
    expectFilter(form, e.LowFrequency, e.HighFrequency, static_cast<float>(e.SampleRate));
  }
  EXPECT_TRUE(host.messages().empty());
}

// No file and no way to make one (a file where the folder would go), or a FIFO
// where the file should be (it once kept the window from ever appearing): the
// program runs on its defaults, as a fresh file would give them, and saves
// nothing; the FIFO is said.
TEST_F(ConfigurationTest, WithNoUsableFileTheProgramRunsOnDefaultsAndSavesNothing) {
  for (bool fifo : {false, true}) {
    TVOXForm window(host, audio);
    host.errors.clear();
    if (fifo) {
      host.setConfigFilePath(dir.file("fifo.cfg"));
      ASSERT_EQ(mkfifo(host.configFilePath().c_str(), 0600), 0);
    } else {
      writeAll(dir.file("home"), {'x'});
      host.setConfigFilePath((dir.path() / "home" / "quorvane" / "quorvane.cfg").string());
      EXPECT_FALSE(Configuration::CreateDefaultFile(host));
    }
    window.FormCreate();
    window.FormShow();
    EXPECT_EQ(window.ConfigFilePath, "");
    EXPECT_TRUE(window.ConfigLED.checked());
    EXPECT_EQ(tickedItems(window), Lines{});  // no menu command ran
    EXPECT_EQ(window.configuration.current(), ConfigRecord{});
    EXPECT_EQ(std::tuple(window.InputBufferBytes, window.SquelchTimer.interval(), window.GainFactor),
              std::tuple(2048, 1000, 1));
    EXPECT_EQ(host.errors, fifo ? Lines{host.configFilePath() + " is not a regular file: the default settings are used"}
                                : Lines{});
    window.VoxCheckBox.click();
    window.FormClose();
    EXPECT_EQ(filesIn(dir.path()), fifo ? 2u : 1u);
  }
  struct stat st{};
  EXPECT_TRUE(stat(dir.file("fifo.cfg").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
}

// A full disk, or another instance saving at the same moment and holding the
// temporary file (waited for a bounded time, never written into): the old file
// stays whole, no temporary is left behind, and it is said so: on standard
// error at every save, in a box at "Exit" (the close box may come from a logout).
TEST_F(ConfigurationTest, AFailedSaveLeavesTheOldFileWholeAndIsSaidSo) {
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  startUp();
  form.VoxCheckBox.click();
  host.setFileOpener([](const std::string& p, FileMode m) -> std::unique_ptr<FileStream> {
    auto f = openStdioFile(p, m);
    if (!f || m == FileMode::ReadBinary) return f;
    return std::make_unique<LimitedFile>(std::move(f), 40);
  });
  form.Exit1.click();
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].caption + ": " + host.messages()[0].text,
            "File Error Message: Could not save the settings to " + cfg());
  EXPECT_EQ(host.errors, Lines(2, "Could not save the settings to " + cfg()));  // Exit, then close
  EXPECT_EQ(readAll(cfg()), bytesOf(ConfigRecord{}));
  EXPECT_EQ(filesIn(dir.path()), 1u);
  host.setFileOpener(nullptr);
  {
    OtherInstance other(cfg() + ".tmp", "theirs");
    ASSERT_TRUE(other.holding());
    const std::int64_t before = host.nowMs();
    EXPECT_FALSE(form.SaveConfiguration());
    EXPECT_LE(host.nowMs() - before, 1000);
    EXPECT_EQ(readAll(cfg() + ".tmp").size(), 6u);
    EXPECT_EQ(readAll(cfg()), bytesOf(ConfigRecord{}));
  }
  EXPECT_TRUE(form.SaveConfiguration());
  EXPECT_EQ(u32At(readAll(cfg()), 9), 1u);
  EXPECT_EQ(filesIn(dir.path()), 1u);
}
