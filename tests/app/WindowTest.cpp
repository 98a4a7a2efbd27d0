#include <gtest/gtest.h>

#include "FormFixture.h"
#include "Said.h"

using namespace quorvane;
using namespace quorvane::test;

using Window = FormFixture;

// Each control's position as the factor the loops use and the text beside it.
TEST_F(Window, GainThresholdAndHangTimeSetTheirFactorsAndTexts) {
  const std::pair<int, int> gains[] = {{0, 1},  {6, 1},  {7, 2},   {9, 2},   {10, 3},  {12, 3}, {13, 4},
                                       {14, 5}, {15, 5}, {20, 10}, {30, 31}, {34, 50}, {40, 100}};
  for (auto [db, factor] : gains) {
    form.OutputUpDnGain.setPosition(db);
    form.OutputUpDnGainClick();
    EXPECT_EQ(form.GainFactor, factor) << db << " dB";
    EXPECT_EQ(form.OutputGainDb, db);
    EXPECT_EQ(form.OutputGainMemo.text(), "    " + std::to_string(db) + " dB");
  }
  form.GainFactor = 0;
  form.OutputUpDnGain.click(UpDownModel::Button::Up);  // the arrows stop at 40 and still run the handler
  EXPECT_EQ(form.GainFactor, 100);
  const std::pair<int, float> thresholds[] = {{0, 1.0f}, {6, 1.9952623f}, {20, 10.0f}, {31, 35.481339f}, {60, 1000.0f}};
  for (auto [db, factor] : thresholds) {
    form.InputThresholdUpDn.setPosition(db);
    form.InputThresholdUpDnClick();
    EXPECT_NEAR(form.ThresholdFactor, factor, factor * 1e-6f) << db;
    EXPECT_EQ(form.ThresholdDb, db);
    EXPECT_EQ(form.ThresholdMemo.text(), "     " + std::to_string(db) + " dB");  // five blanks after a click
  }
  for (int p = 0; p <= 5; ++p) {
    form.InputUpDnGain.setPosition(p);
    form.InputUpDnGainClick();
    EXPECT_EQ(form.HangTimeIndex, p);
    EXPECT_EQ(form.SquelchTimer.interval(), p == 0 ? 500 : p * 1000);
    EXPECT_EQ(form.InputGainMemo.text(), p == 0 ? "   0.5 sec" : "    " + std::to_string(p) + " sec");
  }
}

TEST_F(Window, EachCheckBoxSetsItsOwnFlagOnly) {
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
  startUp();  // no manual beside the program
  form.HelpFile1.click();
  EXPECT_EQ(said(host), Lines{"quorvane: Could not run the help application"});
  writeAll(dir.file("quorvane.html"), {'<', 'p', '>'});
  TVOXForm withManual(host, audio);
  withManual.FormCreate();
  withManual.HelpFile1.click();
  EXPECT_EQ(host.openedDocuments, Lines{dir.file("quorvane.html")});
  EXPECT_EQ(said(host), Lines{});
  host.documentsOpen = false;  // no viewer for it
  withManual.HelpFile1.click();
  EXPECT_EQ(said(host), Lines{"quorvane: Could not run the help application"});

  form.About1.click();
  const Lines about = said(host);
  ASSERT_EQ(about.size(), 1u);
  EXPECT_EQ(about[0].substr(0, 16), "About Quorvane: ");
  const auto lineFeed = about[0].find('\n');
  EXPECT_GT(lineFeed, 16u);  // a credit line first
  EXPECT_EQ(about[0].substr(lineFeed + 1), std::string(19, ' ') + "Version 1.02");

  // The first mixer found in order of preference, silently none.
  struct Mixer {
    Lines available, started, arguments;
  };
  const Mixer mixers[] = {{{}, {}, {}},
                          {{"kmix", "pwvucontrol"}, {"pwvucontrol"}, {}},
                          {{"kmix", "gnome-control-center"}, {"gnome-control-center"}, {"sound"}},
                          {{"kmix", "gnome-control-center", "pwvucontrol", "pavucontrol"}, {"pavucontrol"}, {}}};
  for (const auto& [available, started, arguments] : mixers) {
    host.startedPrograms.clear();
    host.startedArguments.clear();
    host.availablePrograms = available;
    form.VolumeBtn.click();
    EXPECT_EQ(host.startedPrograms, started);
    EXPECT_EQ(host.startedArguments, started.empty() ? std::vector<Lines>{} : std::vector<Lines>{arguments});
  }
  EXPECT_EQ(said(host), Lines{});
}

// "Exit" stops the timers, saves the settings and ends the program (the open file
// is completed on the way, as below); with a window shell, Exit saves first and
// then closes the window, whose close runs the same path.
TEST_F(Window, ExitSavesAndEnds) {
  writeAll(dir.file("quorvane.cfg"), std::vector<std::uint8_t>(86, 0));
  startUp();
  form.MuteCheckBox.click();
  form.PauseTimer.setEnabled(true);
  form.Exit1.click();
  EXPECT_FALSE(form.PauseTimer.enabled());
  EXPECT_EQ(form.StopRequested, 1);
  EXPECT_EQ(host.terminateRequests(), 1);
  EXPECT_EQ(readAll(dir.file("quorvane.cfg")).at(32), 1);  // Mute saved

  TVOXForm shelled(host, audio);
  shelled.FormCreate();
  shelled.FormShow();
  shelled.VoxCheckBox.click();
  int closes = 0;
  shelled.closeWindow = [&] {
    ++closes;
    EXPECT_EQ(u32At(readAll(dir.file("quorvane.cfg")), 9), 1u);
  };
  shelled.Exit1.click();
  EXPECT_EQ(closes, 1);
}

// The close box clicked while the record loop waits: the file is complete before
// the loop underneath returns, and only the flag tells the loop to end.
TEST_F(Window, ClosingDuringARunCompletesTheFileBeforeTheLoopUnderneathReturns) {
  startUp();
  const std::string path = dir.file("closing.wav");
  openOutput(path);
  form.ActivityState = ActivityRecording;
  form.StopRequested = 0;
  bool loopReturned = false, checkedInsideLoop = false;
  host.after(1000, [&] {
    form.FormClose();
    EXPECT_FALSE(loopReturned);
    EXPECT_EQ(form.OutputFileOpen, 0);
    const auto bytes = readAll(path);
    EXPECT_EQ(u32At(bytes, 40), form.OutputDataBytes);
    EXPECT_EQ(u32At(bytes, 4), form.OutputDataBytes + 36);
    EXPECT_EQ(bytes.size(), 44u + form.OutputDataBytes);
    checkedInsideLoop = true;
  });
  host.after(10, [&] {  // a stand-in for the record loop: a buffer per pass, waits that pump messages
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
  EXPECT_TRUE(loopReturned && checkedInsideLoop);
  EXPECT_GT(form.OutputDataBytes, 0u);
  EXPECT_EQ(form.ActivityState, ActivityRecording);
}
