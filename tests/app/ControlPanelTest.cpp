#include <gtest/gtest.h>

#include "FormFixture.h"

using namespace quorvane;
using namespace quorvane::test;

using ControlPanelTest = FormFixture;

TEST_F(ControlPanelTest, ChannelGainIsAWholeNumberFactor) {
  const std::pair<int, int> table[] = {{0, 1},  {6, 1},  {7, 2},  {9, 2},   {10, 3},  {12, 3}, {13, 4},
                                       {14, 5}, {15, 5}, {20, 10}, {30, 31}, {34, 50}, {40, 100}};
  for (auto [db, factor] : table) {
    form.OutputUpDnGain.setPosition(db);
    form.OutputUpDnGainClick();
    EXPECT_EQ(form.GainFactor, factor) << db << " dB";
    EXPECT_EQ(form.OutputGainDb, db);
    EXPECT_EQ(form.OutputGainMemo.text(), "    " + std::to_string(db) + " dB");
  }
  form.OutputUpDnGain.setPosition(40);
  form.OutputUpDnGain.click(UpDownModel::Button::Up);  // the arrows stop at 40 and run the handler
  EXPECT_EQ(form.GainFactor, 100);
}

TEST_F(ControlPanelTest, ThresholdFactorFollowsTheDecibels) {
  const std::pair<int, float> table[] = {{0, 1.0f}, {6, 1.9952623f}, {20, 10.0f}, {31, 35.481339f}, {60, 1000.0f}};
  for (auto [db, factor] : table) {
    form.InputThresholdUpDn.setPosition(db);
    form.InputThresholdUpDnClick();
    EXPECT_NEAR(form.ThresholdFactor, factor, factor * 1e-5f) << db;
    EXPECT_EQ(form.ThresholdDb, db);
    EXPECT_EQ(form.ThresholdMemo.text(), "     " + std::to_string(db) + " dB");  // five blanks after a click
  }
  // The level the gate compares with: 1995 at 6 dB.
  form.InputThresholdUpDn.setPosition(6);
  form.InputThresholdUpDnClick();
  EXPECT_EQ(static_cast<int>(1000.0f * form.ThresholdFactor), 1995);
}

TEST_F(ControlPanelTest, HangTimeSetsTheSquelchTimerAndItsText) {
  for (int p = 0; p <= 5; ++p) {
    form.InputUpDnGain.setPosition(p);
    form.InputUpDnGainClick();
    EXPECT_EQ(form.HangTimeIndex, p);
    EXPECT_EQ(form.SquelchTimer.interval(), p == 0 ? 500 : p * 1000);
    EXPECT_EQ(form.InputGainMemo.text(), p == 0 ? "   0.5 sec" : "    " + std::to_string(p) + " sec");
  }
}

TEST_F(ControlPanelTest, CheckBoxesSetTheirFlags) {
  struct Box {
    CheckBoxModel* box;
    std::function<int()> flag;
  };
  const Box boxes[] = {{&form.FileTransferCheckBox, [&] { return int(form.FileTransfer); }},
                       {&form.VoxCheckBox, [&] { return int(form.VoxEnabled); }},
                       {&form.FilterCheckBox, [&] { return int(form.FilterEnabled); }},
                       {&form.FileBypassBox, [&] { return int(form.FileBypass); }},
                       {&form.MuteCheckBox, [&] { return int(form.MuteEnabled); }},
                       {&form.TimerCheckBox, [&] { return int(form.TimerEnabled); }}};
  for (const Box& b : boxes) {
    b.box->click();
    EXPECT_EQ(b.flag(), 1) << b.box->name();
    b.box->click();
    EXPECT_EQ(b.flag(), 0) << b.box->name();
  }
  form.TimerCheckBox.click();
  form.TimeRecordLED.SetChecked(true);
  form.TimerCheckBox.click();
  EXPECT_FALSE(form.TimeRecordLED.checked());  // timer off dims its LED
}
