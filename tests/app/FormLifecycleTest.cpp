#include <gtest/gtest.h>

#include "FormFixture.h"

using namespace quorvane;
using namespace quorvane::test;

using FormLifecycle = FormFixture;

TEST_F(FormLifecycle, ConstructionSetsEveryDefault) {
  const TVOXForm& f = form;
  EXPECT_EQ(f.WaveFormat, (WaveFormatEx{1, 11025, 22050, 2, 16}));
  EXPECT_EQ(f.OutputWaveFormat, (WaveFormatEx{1, 11025, 22050, 2, 16}));
  EXPECT_EQ(f.BytesPerSample, 2u);
  EXPECT_EQ(f.SamplesPerBuffer, 1024u);
  EXPECT_EQ(f.InputBufferBytes, 2048);
  EXPECT_EQ(f.OutputBufferBytes, 2048);
  EXPECT_EQ(f.NextBuffer, 1);
  EXPECT_EQ(f.StopRequested, 1);
  EXPECT_EQ(f.ActivityState, ActivityStopped);
  EXPECT_EQ(f.ChannelCount, 1);
  EXPECT_EQ(f.GainFactor, 1);
  EXPECT_EQ(f.ThresholdFactor, 0.0f);
  EXPECT_EQ(f.HangTimeIndex, 1);
  EXPECT_EQ(f.BandpassSelected, 2);
  EXPECT_EQ(f.LowFrequency, 300.0f);
  EXPECT_EQ(f.HighFrequency, 2400.0f);
  EXPECT_EQ(f.StartAmPm, 1);
  EXPECT_EQ(f.StopAmPm, 1);
  // Everything else starts at zero.
  for (std::int32_t v : {f.InputDeviceId, f.OutputDeviceId, f.VoxEnabled, f.DisplayType, f.OutputGainDb, f.ThresholdDb,
                         f.StartHour, f.StartMinute, f.StartSecond, f.StopHour, f.StopMinute, f.StopSecond,
                         f.SelectingOutputDevice, f.PeakLevel, f.ThresholdLevel})
    EXPECT_EQ(v, 0);
  EXPECT_EQ(f.PlayBytesRemaining, 0);
  for (std::uint8_t v : {f.StayOnTop, f.FilterEnabled, f.TimerEnabled, f.FileBypass, f.MuteEnabled, f.FileTransfer,
                         f.ResumeFromPause, f.DeviceTimedOut, f.GateOpen, f.ScheduleActive, f.InputFileOpen,
                         f.OutputFileOpen})
    EXPECT_EQ(v, 0);
  EXPECT_EQ(f.OutputDataBytes, 0u);

  // The four device buffers and the work arrays exist from construction on.
  for (const auto* b : {&f.InputBufferA, &f.InputBufferB, &f.OutputBufferA, &f.OutputBufferB}) ASSERT_TRUE(*b);
  EXPECT_EQ(f.WorkSamples.size(), 65536u);
  EXPECT_EQ(f.AbsSamples.size(), 65536u);
  ASSERT_TRUE(f.DisplayBitmap);
  EXPECT_TRUE(f.DisplayBitmap->empty());

  // Controls at their design-time values.
  EXPECT_EQ(f.InputUpDnGain.position(), 1);
  EXPECT_EQ(f.InputUpDnGain.max(), 5);
  EXPECT_EQ(f.InputThresholdUpDn.max(), 60);
  EXPECT_EQ(f.OutputUpDnGain.max(), 40);
  EXPECT_EQ(f.InputGainMemo.text(), "    1 sec");
  EXPECT_EQ(f.ThresholdMemo.text(), "    0 dB");
  EXPECT_EQ(f.OutputGainMemo.text(), "    0 dB");
  EXPECT_EQ(f.TimeoutTimer.interval(), 200);
  EXPECT_EQ(f.SquelchTimer.interval(), 1000);
  EXPECT_EQ(f.SetRecordTimer.interval(), 2000);
  for (const TimerModel* t : {&f.TimeoutTimer, &f.SquelchTimer, &f.SystemTimer, &f.SetRecordTimer, &f.PauseTimer})
    EXPECT_FALSE(t->enabled()) << t->name();
  EXPECT_EQ(f.PlayScrollBar.max(), 1000);
  EXPECT_EQ(f.PlayScrollBar.largeChange(), 10);
}

TEST_F(FormLifecycle, CreationFindsTheManualAndConfigurationOnlyWhenTheyExist) {
  form.FormCreate();
  EXPECT_EQ(form.HelpFilePath, "");
  EXPECT_EQ(form.ConfigFilePath, "");
  EXPECT_EQ(form.StatusMemo2.text(), "Channel Mode = MONO      Sample Rate = 11025 Hz");

  writeAll(dir.file("quorvane.html"), {'<', 'p', '>'});
  writeAll(dir.file("quorvane.cfg"), std::vector<std::uint8_t>(86, 0));
  TVOXForm second(host, audio);
  second.FormCreate();
  EXPECT_EQ(second.HelpFilePath, dir.file("quorvane.html"));
  EXPECT_EQ(second.ConfigFilePath, dir.file("quorvane.cfg"));
}

TEST_F(FormLifecycle, ShowingTheWindowPutsEveryIndicatorInItsStartUpState) {
  form.Start_Min.setFontColour(clRed);
  startUp();
  EXPECT_EQ(form.DisplayBitmap->width(), 310);
  EXPECT_EQ(form.DisplayBitmap->height(), 151);
  EXPECT_TRUE(form.ConfigLED.checked());  // lit even without a configuration file
  for (const LedModel* led : {&form.RecordLED, &form.PlayLED, &form.SquelchLED, &form.TimeRecordLED, &form.ByteB_LED})
    EXPECT_FALSE(led->checked()) << led->name();
  EXPECT_FALSE(form.RecordPlayTimer.counting());
  EXPECT_EQ(form.StopBtn.captionColour(), clRed);
  for (const ButtonModel* b : {&form.RecordBtn, &form.PlayBtn, &form.PauseBtn}) EXPECT_EQ(b->captionColour(), clBlue);
  EXPECT_EQ(form.StatusMemo.text(), "Current Activity = Stopped");
  EXPECT_EQ(form.StatusMemo2.text(), "Channel Mode = MONO      Sample Rate = 11025 Hz");
  EXPECT_EQ(form.TimerMemo.text(), "  00h:00m:00s");
  for (const LabelModel* l : {&form.Start_Hr, &form.Start_Min, &form.Start_Sec, &form.Start_AM_PM})
    EXPECT_EQ(l->fontColour(), clBlack);
  EXPECT_TRUE(form.SystemTimer.enabled());
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  EXPECT_EQ(form.StopRequested, 1);

  const RasterCanvas& shown = form.SpectrumBox.image();
  ASSERT_EQ(shown.width(), 306);
  ASSERT_EQ(shown.height(), 145);
  for (Colour c : shown.pixels()) ASSERT_EQ(c, clWhite);

  // The hidden indicators lie below the 386-pixel client area.
  EXPECT_GE(form.ConfigLED.bounds().top, 386);
  EXPECT_GE(form.ByteB_LED.bounds().top, 386);
  EXPECT_GE(form.RecordPlayTimer.bounds().top, 386);
}

TEST_F(FormLifecycle, ClosingDuringARunCompletesTheFileBeforeTheLoopUnderneathReturns) {
  startUp();
  const std::string path = dir.file("closing.wav");
  openOutput(path);
  form.ActivityState = ActivityRecording;
  form.StopRequested = 0;

  bool loopReturned = false;
  bool checkedInsideLoop = false;
  host.after(1000, [&] {
    form.FormClose();  // the close box, clicked while the loop waits
    EXPECT_FALSE(loopReturned);
    EXPECT_EQ(form.OutputFileOpen, 0);
    const auto bytes = readAll(path);
    EXPECT_EQ(u32At(bytes, 40), form.OutputDataBytes);
    EXPECT_EQ(u32At(bytes, 4), form.OutputDataBytes + 36);
    EXPECT_EQ(bytes.size(), 44u + form.OutputDataBytes);
    EXPECT_EQ(host.terminateRequests(), 1);
    checkedInsideLoop = true;
  });
  // A stand-in for the record loop: a buffer per pass, waits that pump messages.
  host.after(10, [&] {
    while (!form.StopRequested) {
      if (form.OutputFileOpen) appendBuffer(2048);
      for (int i = 0; i < 9 && !form.StopRequested; ++i) {
        host.sleepMs(10);
        host.processMessages();
      }
    }
    loopReturned = true;
  });
  host.runFor(100);
  ASSERT_TRUE(loopReturned);
  EXPECT_TRUE(checkedInsideLoop);
  EXPECT_GT(form.OutputDataBytes, 0u);
  // The state is left as it was: only the flag tells the loop to end.
  EXPECT_EQ(form.ActivityState, ActivityRecording);
}

TEST_F(FormLifecycle, ClosingCompletesOpenFilesAndRequestsTermination) {
  startUp();
  const std::string path = dir.file("closed.wav");
  openOutput(path);
  appendBuffer(10000);
  form.PauseTimer.setEnabled(true);
  form.FormClose();
  EXPECT_FALSE(form.PauseTimer.enabled());
  const auto bytes = readAll(path);
  EXPECT_EQ(u32At(bytes, 4), 10036u);
  EXPECT_EQ(u32At(bytes, 40), 10000u);
  EXPECT_EQ(host.terminateRequests(), 1);
  EXPECT_EQ(form.StopRequested, 1);

  form.FormDestroy();
  EXPECT_FALSE(form.DisplayBitmap);
  EXPECT_FALSE(form.InputBufferA);
  EXPECT_FALSE(form.OutputBufferB);
}
