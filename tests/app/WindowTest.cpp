#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <limits>

#include "FormFixture.h"
#include "LimitedFile.h"
#include "OtherInstance.h"
#include "WavBytes.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

using Lines = std::vector<std::string>;

// The message boxes shown since the last call, each as "caption: text".
Lines said(SimHost& host) {
  Lines out;
  for (const SimHost::Message& m : host.messages()) out.push_back(m.caption + ": " + m.text);
  host.clearMessages();
  return out;
}

std::vector<std::uint8_t> bytesOf(const ConfigRecord& r) {
  const auto b = r.encode();
  return {b.begin(), b.end()};
}

std::size_t filesIn(const std::filesystem::path& p) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(p), {}));
}

Lines tickedItems(const TVOXForm& f) {
  Lines out;
  for (const MenuItemModel* m : {&f.Off1, &f.On1, &f.Mono2, &f.Stereo2, &f.N11025Hz1, &f.N22050Hz1, &f.N44100Hz1,
                                 &f.Bandpass1, &f.Time1, &f.Waterfall1})
    if (m->checked()) out.push_back(m->name());
  return out;
}

// A WAV file's length, then the lengths its header gives by the RIFF size and by the data size.
std::array<std::size_t, 3> lengths(const std::vector<std::uint8_t>& b) {
  return {b.size(), u32At(b, 4) + 8u, u32At(b, 40) + 44u};
}

// The filter a band and rate should give, designed apart from the form (a NaN compares unequal: finite throughout).
void expectFilter(const TVOXForm& f, float lowHz, float highHz, float rate) {
  BandpassFilter reference;
  reference.LowCutoff = lowHz / rate;
  reference.HighCutoff = highHz / rate;
  reference.DesignBandpassFilter();
  EXPECT_TRUE(std::ranges::equal(f.filter.Kernel(), reference.Kernel()) &&
              std::ranges::equal(f.filter.ResponseRe(), reference.ResponseRe()) &&
              std::ranges::equal(f.filter.ResponseIm(), reference.ResponseIm()));
}

class Window : public FormFixture {
 protected:
  Window() { startUp(); }
};

using ConfigurationTest = FormFixture;

}  // namespace

// Each arrow control's position as the factor the loops use and the text beside it; each box sets its own flag only.
TEST_F(Window, ControlsSetTheirFactorsTextsAndFlags) {
  const std::pair<int, int> gains[] = {{0, 1},  {6, 1},  {7, 2},   {9, 2},   {10, 3},  {12, 3}, {13, 4},
                                       {14, 5}, {15, 5}, {20, 10}, {30, 31}, {34, 50}, {40, 100}};
  for (auto [db, factor] : gains) {
    form.OutputUpDnGain.setPosition(db);
    form.OutputUpDnGainClick();
    EXPECT_EQ(std::tuple(form.GainFactor, form.OutputGainDb, form.OutputGainMemo.text()),
              std::tuple(factor, db, "    " + std::to_string(db) + " dB"));
  }
  const std::pair<int, float> thresholds[] = {{0, 1.0f}, {6, 1.9952623f}, {20, 10.0f}, {31, 35.481339f}, {60, 1000.0f}};
  for (auto [db, factor] : thresholds) {
    form.InputThresholdUpDn.setPosition(db);
    form.InputThresholdUpDnClick();
    EXPECT_NEAR(form.ThresholdFactor, factor, factor * 1e-6f) << db;
    EXPECT_EQ(std::tuple(form.ThresholdDb, form.ThresholdMemo.text()),
              std::tuple(db, "     " + std::to_string(db) + " dB"));  // five blanks after a click
  }
  for (int p = 0; p <= 5; ++p) {
    form.InputUpDnGain.setPosition(p);
    form.InputUpDnGainClick();
    EXPECT_EQ(std::tuple(form.HangTimeIndex, form.SquelchTimer.interval(), form.InputGainMemo.text()),
              std::tuple(p, p == 0 ? 500 : p * 1000, p == 0 ? "   0.5 sec" : "    " + std::to_string(p) + " sec"));
  }
  auto flags = [&] {
    return std::vector<int>{form.FileTransfer, form.VoxEnabled, form.FilterEnabled,
                            form.FileBypass,   form.MuteEnabled, form.TimerEnabled};
  };
  CheckBoxModel* boxes[] = {&form.FileTransferCheckBox, &form.VoxCheckBox,   &form.FilterCheckBox,
                            &form.FileBypassBox,        &form.MuteCheckBox, &form.TimerCheckBox};
  for (std::size_t i = 0; i < std::size(boxes); ++i) {
    boxes[i]->click();
    std::vector<int> expected(std::size(boxes), 0);
    expected[i] = 1;
    EXPECT_EQ(flags(), expected) << boxes[i]->name();
    form.TimeRecordLED.SetChecked(true);
    boxes[i]->click();
    EXPECT_EQ(flags(), std::vector<int>(std::size(boxes), 0));
  }
  EXPECT_FALSE(form.TimeRecordLED.checked());  // timer off dims its LED
}

TEST_F(Window, HelpAboutAndVolumeStartWhatIsThereOrSaySo) {
  form.HelpFile1.click();  // no manual beside the program at start-up
  EXPECT_EQ(said(host), Lines{"quorvane: Could not run the help application"});
  writeAll(dir.file("quorvane.html"), {'<', 'p', '>'});
  TVOXForm withManual(host, audio);
  withManual.FormCreate();
  withManual.HelpFile1.click();
  EXPECT_EQ(std::tuple(host.openedDocuments, said(host)), std::tuple(Lines{dir.file("quorvane.html")}, Lines{}));
  host.documentsOpen = false;  // no viewer for it
  withManual.HelpFile1.click();
  EXPECT_EQ(said(host), Lines{"quorvane: Could not run the help application"});

  form.About1.click();
  EXPECT_EQ(said(host), Lines{std::string("About Quorvane: ") + DesktopCommands::kAboutText});

  // The first mixer found in order of preference, silently none (the first click).
  for (const Lines& available : {Lines{}, Lines{"kmix", "pwvucontrol"}, Lines{"kmix", "gnome-control-center"},
                                 Lines{"kmix", "gnome-control-center", "pwvucontrol", "pavucontrol"}}) {
    host.availablePrograms = available;
    form.VolumeBtn.click();
  }
  EXPECT_EQ(host.startedPrograms, (Lines{"pwvucontrol", "gnome-control-center", "pavucontrol"}));
  EXPECT_EQ(host.startedArguments, (std::vector<Lines>{{}, {"sound"}, {}}));
  EXPECT_EQ(said(host), Lines{});
}

// Each rate in mono and stereo sets both formats, the buffers, the ticks, the status line and a filter designed for
// that rate. Busy, the format commands refuse and change nothing; choosing an input file is not busy, and staying
// on top may change at any time.
TEST_F(Window, FormatCommandsSetEveryRateInMonoAndStereoOrRefuseWhileBusy) {
  // In menu order: the three first rates as they always were, then the others rising.
  const std::tuple<std::uint32_t, std::uint32_t, MenuItemModel*> rows[] = {
      {11025, 1024, &form.N11025Hz1}, {22050, 2048, &form.N22050Hz1}, {44100, 4096, &form.N44100Hz1},
      {8000, 1024, &form.N8000Hz1},   {16000, 2048, &form.N16000Hz1}, {32000, 3072, &form.N32000Hz1},
      {48000, 4096, &form.N48000Hz1}};
  for (std::uint16_t channels : {1, 2}) {
    channels == 1 ? form.Mono2Click() : form.Stereo2Click();
    for (const auto& [rate, samples, item] : rows) {
      SCOPED_TRACE(std::to_string(rate) + "/" + std::to_string(channels));
      item->click();
      const WaveFormatEx expected{channels, rate, rate * 2 * channels, std::uint16_t(2 * channels), 16};
      EXPECT_EQ(std::tuple(form.WaveFormat, form.OutputWaveFormat, form.InputBufferBytes, form.OutputBufferBytes),
                std::tuple(expected, expected, int(samples * 2 * channels), int(samples * 2 * channels)));
      for (const auto& other : rows) EXPECT_EQ(std::get<2>(other)->checked(), std::get<2>(other) == item);
      EXPECT_TRUE(form.Mono2.checked() == (channels == 1) && form.Stereo2.checked() == (channels == 2));
      EXPECT_EQ(form.StatusMemo2.text(), std::string("Channel Mode = ") + (channels == 1 ? "MONO  " : "STEREO") +
                                             "    Sample Rate = " + std::to_string(rate) + " Hz");
      expectFilter(form, 300.0f, 2400.0f, float(rate));
    }
  }
  const WaveFormatEx last = form.WaveFormat;
  for (std::int32_t state : {ActivityPaused, ActivityRecording, ActivityPlaying, ActivityFileTransfer,
                             ActivitySelectingOutput}) {
    SCOPED_TRACE(state);
    form.ActivityState = state;
    form.Mono2Click();
    form.N11025Hz1Click();
    EXPECT_TRUE(form.WaveFormat == last && !form.Mono2.checked() && !form.N11025Hz1.checked());
    EXPECT_EQ(said(host), Lines(2, "Error Message: Cannot change parameter while playing or recording"));
    form.On1Click();
    EXPECT_TRUE(form.On1.checked() && form.MainWindow.stayOnTop());
    form.Off1Click();
  }
  form.ActivityState = ActivitySelectingInput;
  form.Mono2Click();
  EXPECT_EQ(form.WaveFormat.Channels, 1);
}

// One step after another in the band-pass and logging dialogs: a value applies on Enter or on leaving its field; band
// edges compare as whole numbers; each handler refuses with its own caption and puts the value in force back; text
// that is not a number changes nothing and stays marked as not applied; letters are swallowed.
TEST_F(Window, DialogValuesApplyOnEnterOrLeavingAndAreRefusedWithTheirMessage) {
  form.Setup1Click();
  MemoModel *lo = &form.FrequencySetForm.LoFreqMemo, *hi = &form.FrequencySetForm.HiFreqMemo;
  MemoModel* minLength = &form.LoggingSettingsForm.MinLengthMemo;
  EXPECT_EQ(hi->text(), "2400.0");
  const std::string half = "Frequency Set Error: Frequency must be less than 1/2 the sample rate";
  const std::string lower = "Frequency must lower than the high frequency";
  const std::string higher = "Frequency Set Error: Frequency must higher than the low frequency";
  const std::tuple<MemoModel*, const char*, bool, std::string, const char*, float, float> steps[] = {
      {lo, "450x", true, "", "450.0", 450.0f, 2400.0f},
      {lo, "2400.5", true, "", "2400.5", 2400.5f, 2400.0f},  // against an upper edge of 2400.0
      {lo, "300", false, "", "300.0", 300.0f, 2400.0f},
      {lo, "3000", true, "Frequency Set: " + lower, "300", 300.0f, 2400.0f},
      {lo, "3000", false, "Frequency Set Error: " + lower, "300", 300.0f, 2400.0f},
      {hi, "100", true, higher, "2400", 300.0f, 2400.0f},
      {hi, "100", false, higher, "2400", 300.0f, 2400.0f},
      {lo, "", true, "Frequency Set: '' is not a valid floating point value", "", 300.0f, 2400.0f},
      {lo, ".", true, "Frequency Set: '.' is not a valid floating point value", ".", 300.0f, 2400.0f},
      {hi, "1.2.3", true, "Frequency Set Error: '1.2.3' is not a valid floating point value", "1.2.3", 300.0f, 2400.0f},
      {hi, "300.9", true, "", "300.9", 300.0f, 300.9f},
      {hi, "5512", true, "", "5512.0", 300.0f, 5512.0f},  // half of 11025 in whole numbers
      {hi, "5513", true, half, "5512", 300.0f, 5512.0f},
      {hi, "99999999999999999999", true, half, "5512", 300.0f, 5512.0f},  // beyond 32 bits
      {minLength, "2000x", true, "", "2000", 300.0f, 5512.0f},
      {minLength, "2001", false, "Logging Settings Error: The minimum length must be a whole number from 0 to 2000",
       "2000", 300.0f, 5512.0f},
  };
  float lowInForce = 300.0f;
  for (const auto& [memo, text, enter, message, shown, low, high] : steps) {
    SCOPED_TRACE(text);
    std::string typed;  // a whole new text, each key through the field's filter
    for (const char* ch = text; *ch; ++ch)
      if (memo->keyPress(*ch)) typed += *ch;
    memo->userEdited(typed);
    EXPECT_EQ(memo->fontColour(), *text ? clRed : clBlack);  // typed, not yet applied
    EXPECT_EQ(form.LowFrequency, std::exchange(lowInForce, low));
    enter ? memo->keyUp(13) : memo->exit();
    EXPECT_EQ(said(host), message.empty() ? Lines{} : Lines{message});
    EXPECT_EQ(memo->text(), shown);
    EXPECT_EQ(memo->fontColour(), *text && message.find("valid") != std::string::npos ? clRed : clBlack);
    expectFilter(form, low, high, 11025.0f);  // the band in force
  }
  EXPECT_EQ(form.transmissions.settings.minLengthMs, 2000);
}

// An output file gets a provisional header when chosen and is completed when another replaces it, and when the close
// box is clicked during the recording: before the loop underneath returns, since only the flag tells the loop to end,
// and the loop writes nothing after it. Chosen as Play chooses it, a file reads from its first sample in its format.
TEST_F(Window, OutputFilesAreCompletedOnReplacementAndOnCloseAndReadBackInTheirFormat) {
  const std::string first = dir.file("first.wav"), second = dir.file("second.wav");
  host.queueFileChoice(first);
  std::vector<std::uint8_t> atClose;
  host.after(1000, [&] {
    host.queueFileChoice(second);
    form.OpenOutput1Click();
    const FileDialogRequest& r = host.fileRequests().back();
    EXPECT_EQ(std::tuple(r.title, r.defaultExtension, r.kind, lengths(readAll(second))),
              std::tuple("Output Wave File Select", "wav", FileDialogRequest::Kind::Save,
                         std::array<std::size_t, 3>{44, 44, 44}));
  });
  host.after(2000, [&] {
    form.FormClose();
    EXPECT_EQ(std::tuple(form.OutputFileOpen, form.ActivityState), std::tuple(0, ActivityRecording));
    atClose = readAll(second);
  });
  form.RecordBtn.click();  // the loop runs until the close
  const std::size_t firstSize = readAll(first).size();
  ASSERT_TRUE(firstSize > 44 && atClose.size() > 44);
  EXPECT_EQ(lengths(readAll(first)), (std::array{firstSize, firstSize, firstSize}));
  EXPECT_EQ(lengths(atClose), (std::array{atClose.size(), atClose.size(), atClose.size()}));
  EXPECT_EQ(readAll(second), atClose);

  form.ActivityState = ActivityStopped;  // where the program would have ended
  form.Stereo2Click();
  form.N22050Hz1Click();
  form.ActivityState = ActivitySelectingInput;
  host.queueFileChoice(first);
  form.OpenInput1Click();
  ASSERT_EQ(form.InputFileOpen, 1);
  EXPECT_EQ(std::tuple(form.InputDataBytes, form.InputFile->tell(), form.WaveFormat, form.InputBufferBytes),
            std::tuple(firstSize - 44, 44u, WaveFormatEx{1, 11025, 22050, 2, 16}, 2048));
  form.OpenInput1Click();  // nothing queued: cancel, and so for the output
  form.OpenOutput1Click();
  EXPECT_EQ(std::tuple(form.InputFileOpen, form.OutputFileOpen, said(host)), std::tuple(0, 0, Lines{}));
}

// Every file that cannot be used says why and is left closed. A FIFO or a device as output once hung the program or
// wrote into the device; a second instance truncated and interleaved with the first's file: Record records nothing.
// An input file's format is not adopted.
TEST_F(Window, FilesThatCannotBeUsedAreRefusedWithTheirMessage) {
  const std::string fifo = dir.file("fifo.wav"), held = dir.file("held.wav"), flac96k = dir.file("96k.flac");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  OtherInstance other(held, "recording");
  ASSERT_TRUE(other.holding());
  // A compressed file at a rate the program does not play gets the WAV file's message.
  ASSERT_EQ(std::system(("sox -q -n -r 96000 -b 16 " + flac96k + " synth 0.2 sine 1000").c_str()), 0);
  const auto header = WavBytes().header(2, 44100).raw("data").u32(0).bytes;
  auto writeWav = [&](const char* name, const std::vector<std::uint8_t>& bytes) {
    writeAll(dir.file(name), bytes);
    return dir.file(name);
  };
  const std::string file = "File Error Message: ", open = "File Open Error Message: ";
  const std::string noSound = file + "The wave file holds no sound";
  const std::tuple<bool, std::string, std::string> cases[] = {  // as output, path, message
      {true, dir.file("no/such/folder/x.wav"), file + "Could not open the Wave file"},
      {true, fifo, file + "Not a regular file"},
      {true, "/dev/full", file + "Not a regular file"},
      {true, held, file + "The file is in use by another program"},
      {false, writeWav("text.wav", {'h', 'e', 'l', 'l', 'o'}), file + "Not a RIFF file"},
      {false, writeWav("8bit.wav", WavBytes().header(1, 11025, 16, 8).raw("data").u32(4).fill(4, 0).bytes),
       file + "Only 16-bit PCM wave files can be played"},
      {false, flac96k, file + "Only wave files at 8000, 11025, 16000, 22050, 32000, 44100 or 48000 Hz can be played"},
      {false, writeWav("empty.wav", header), noSound},
      {false, writeWav("cut.wav", {header.begin(), header.begin() + 40}), noSound},
      {false, dir.file("missing.wav"), open + "Could not open the wave file"},
      {false, fifo, open + "Not a regular file"},
      {false, dir.path().string(), open + "Not a regular file"},
  };
  const WaveFormatEx inForce = form.WaveFormat;
  for (const auto& [output, path, message] : cases) {
    form.ActivityState = output ? ActivityStopped : ActivitySelectingInput;
    host.queueFileChoice(path);
    output ? form.RecordBtn.click() : form.OpenInput1Click();
    const bool anyOpen = form.OutputFileOpen || form.InputFileOpen || form.InputFile;
    EXPECT_EQ(std::tuple(said(host), anyOpen, form.ActivityState, form.WaveFormat),
              std::tuple(Lines{message}, false, output ? ActivityStopped : ActivitySelectingInput, inForce)) << path;
  }
  EXPECT_EQ(readAll(held).size(), 9u);
}

// The first start makes the folder and a file of defaults (none while a file stands where the folder would go); a
// user's file is kept, and a short one applies what it holds (stay on top, input device 4, not the two bytes of an
// output device 9) and the values in force for the rest. "Exit" saves before the window (a shell's close box)
// closes, then closes the same way: timers stop, it ends.
TEST_F(ConfigurationTest, SettingsLoadThroughTheirCommandsAndSurviveExitAndARestartByteForByte) {
  const std::string cfg = (dir.path() / "home" / ".config" / "quorvane" / "quorvane.cfg").string();
  host.setConfigFilePath(cfg);
  writeAll(dir.file("home"), {'x'});
  EXPECT_FALSE(Configuration::CreateDefaultFile(host));
  std::filesystem::remove(dir.file("home"));
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  EXPECT_EQ(readAll(cfg), bytesOf(ConfigRecord{}));
  writeAll(cfg, {1, 4, 0, 0, 0, 9, 0});
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  for (int i = 0; i < 4; ++i) audio.addDevice(WaveDirection::Input, "another");
  startUp();
  // Loading runs the commands: only they put ticks on the menus.
  EXPECT_EQ(tickedItems(form), (Lines{"On1", "Mono2", "N11025Hz1", "Bandpass1", "Time1"}));
  // A session's changes, made the way a user makes them.
  for (auto* item : {&form.Stereo2, &form.N22050Hz1, &form.Waterfall1}) item->click();
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
  EXPECT_EQ(std::tuple(form.PauseTimer.enabled(), host.terminateRequests()), std::tuple(false, 1));
  // Stay on top and the input device from the short file, the rest from the session.
  const ConfigRecord saved{.StayOnTop = 1, .InputDeviceId = 4, .VoxEnabled = 1, .DisplayType = 1, .HangTimeIndex = 0,
                           .OutputGainDb = 13, .MuteEnabled = 1, .StartAmPm = 2, .SampleRate = 22050,
                           .ChannelCount = 2, .HighFrequency = 3100.5f};
  EXPECT_EQ(first, bytesOf(saved));

  TVOXForm next(host, audio);
  next.FormCreate();
  next.FormShow();
  EXPECT_EQ(tickedItems(next), (Lines{"On1", "Stereo2", "N22050Hz1", "Bandpass1", "Waterfall1"}));
  EXPECT_EQ(next.Start_AM_PM.text(), "PM");
  EXPECT_EQ(next.transmissions.settings, (LoggingSettings{5, true, 0, 1440}));
  EXPECT_EQ(next.configuration.current(), saved);
}

// Whatever the bytes, every field loads as a value the controls show and the loops understand, and only such a
// value is saved back. A box field of 2 once showed an unticked box while Record behaved as if it were ticked; a
// rate without its buffer size lost most of the sound; a device that is not there ended the program at the first
// Record; a band the dialog would refuse filtered away everything.
TEST_F(ConfigurationTest, EveryLoadedValueComesOutAsOneTheProgramRunsWith) {
  startUp();
  auto load = [&](const ConfigRecord& r) {
    const auto b = r.encode();
    form.configuration.LoadFromBytes(b.data(), b.size());
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const ConfigRecord valid{.VoxEnabled = 1, .DisplayType = 1, .FilterEnabled = 1, .MuteEnabled = 1,
                           .SampleRate = 48000, .ChannelCount = 2, .HighFrequency = 20000};
  // Stored, and what loads from it (unset: the defaults); fields settle each on its own, so a row may hold several.
  const std::pair<ConfigRecord, ConfigRecord> cases[] = {
      {{.TimerEnabled = 2, .FileBypass = 2, .LowFrequency = nan, .HighFrequency = -nan}, {}},
      {{.StayOnTop = 7, .FilterEnabled = 3, .MuteEnabled = 9, .FileTransfer = 255}, {}},
      {{.VoxEnabled = 7, .BandpassSelected = 0, .DisplayType = 5, .SampleRate = 7}, {}},
      {valid, valid},
      {{.HangTimeIndex = 9, .OutputGainDb = 41, .ThresholdDb = 65539, .HighFrequency = 900000},
       {.HangTimeIndex = 5, .OutputGainDb = 40, .ThresholdDb = 60, .HighFrequency = 5512}},
      {{.InputDeviceId = 1, .OutputDeviceId = -5, .SampleRate = 0x3FFFFFFF, .HighFrequency = 0}, {}},
      {{.SampleRate = 96000, .LowFrequency = 2000, .HighFrequency = 2000}, {}},
      {{.StartHour = INT32_MAX, .StartSecond = 75, .StopMinute = -3, .StopAmPm = 7},
       {.StartHour = 12, .StartSecond = 59, .StopAmPm = 2}},
      {{.SampleRate = 44100, .ChannelCount = 0, .LowFrequency = -5, .HighFrequency = 1e30f},
       {.SampleRate = 44100, .ChannelCount = 2, .LowFrequency = 0, .HighFrequency = 22050}},
  };
  for (const auto& [stored, e] : cases) {
    SCOPED_TRACE(&stored - &cases[0].first);
    load(ConfigRecord{});
    load(stored);
    EXPECT_EQ(form.configuration.current(), e);
    for (auto [box, field] : {std::pair{&form.VoxCheckBox, e.VoxEnabled}, {&form.FilterCheckBox, e.FilterEnabled},
                              {&form.TimerCheckBox, e.TimerEnabled}, {&form.FileBypassBox, e.FileBypass},
                              {&form.MuteCheckBox, e.MuteEnabled}, {&form.FileTransferCheckBox, e.FileTransfer}})
      EXPECT_EQ(box->checked(), field == 1) << box->name();
    EXPECT_EQ(form.InputBufferBytes, e.SampleRate / 11025 * 2048 * e.ChannelCount);
    expectFilter(form, e.LowFrequency, e.HighFrequency, static_cast<float>(e.SampleRate));
  }
  EXPECT_TRUE(host.messages().empty() && host.errors.empty());  // a missing settings file is not an error either
}

// A FIFO where the settings file should be (it once kept the window from ever appearing): the program says so, runs
// on its defaults as a fresh file would give them, and saves nothing.
TEST_F(ConfigurationTest, WithNoUsableFileTheProgramRunsOnDefaultsAndSavesNothing) {
  const std::string cfg = host.configFilePath();
  ASSERT_EQ(mkfifo(cfg.c_str(), 0600), 0);
  startUp();
  EXPECT_EQ(std::tuple(form.ConfigLED.checked(), tickedItems(form), form.configuration.current(), form.InputBufferBytes,
                       form.SquelchTimer.interval(), form.GainFactor),
            std::tuple(true, Lines{}, ConfigRecord{}, 2048, 1000, 1));  // no ticks: no menu command ran
  EXPECT_EQ(host.errors, Lines{cfg + " is not a regular file: the default settings are used"});
  form.VoxCheckBox.click();
  form.FormClose();
  EXPECT_EQ(std::tuple(filesIn(dir.path()), std::filesystem::is_fifo(cfg)), std::tuple(1u, true));  // left as it was
}

// A full disk, or another instance saving at the same moment and holding the temporary file (waited for a bounded
// time, never written into): the old file stays whole, no temporary is left behind, and it is said so: on standard
// error at every save, in a box at "Exit" (the close box may come from a logout).
TEST_F(ConfigurationTest, AFailedSaveLeavesTheOldFileWholeAndIsSaidSo) {
  const std::string cfg = host.configFilePath();
  ASSERT_TRUE(Configuration::CreateDefaultFile(host));
  startUp();
  form.VoxCheckBox.click();
  host.setFileOpener([](const std::string& p, FileMode m) -> std::unique_ptr<FileStream> {
    auto f = openStdioFile(p, m);
    if (!f || m == FileMode::ReadBinary) return f;
    return std::make_unique<LimitedFile>(std::move(f), 40);
  });
  form.Exit1.click();
  EXPECT_EQ(said(host), Lines{"File Error Message: Could not save the settings to " + cfg});
  EXPECT_EQ(host.errors, Lines(2, "Could not save the settings to " + cfg));  // Exit, then close
  EXPECT_EQ(std::tuple(readAll(cfg), filesIn(dir.path())), std::tuple(bytesOf(ConfigRecord{}), 1u));
  host.setFileOpener(nullptr);
  {
    OtherInstance other(cfg + ".tmp", "theirs");
    ASSERT_TRUE(other.holding());
    const std::int64_t before = host.nowMs();
    EXPECT_FALSE(form.SaveConfiguration());
    EXPECT_LE(host.nowMs() - before, 1000);
    EXPECT_EQ(std::tuple(readAll(cfg + ".tmp").size(), readAll(cfg)), std::tuple(6u, bytesOf(ConfigRecord{})));
  }
  EXPECT_TRUE(form.SaveConfiguration());
  EXPECT_EQ(std::tuple(u32At(readAll(cfg), 9), filesIn(dir.path())), std::tuple(1u, 1u));  // Vox ticked
}
