#include <gtest/gtest.h>

#include "FormFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

using Up = UpDownModel::Button;

class TimeEditing : public FormFixture {
 protected:
  TimeEditing() { startUp(); }

  std::vector<const LabelModel*> startRow() { return {&form.Start_Hr, &form.Start_Min, &form.Start_Sec, &form.Start_AM_PM}; }
  std::vector<const LabelModel*> stopRow() { return {&form.Stop_Hr, &form.Stop_Min, &form.Stop_Sec, &form.Stop_AM_PM}; }

  // The labels of a row painted red, by name.
  std::vector<std::string> red(const std::vector<const LabelModel*>& row) {
    std::vector<std::string> out;
    for (const LabelModel* l : row)
      if (l->fontColour() == clRed) out.push_back(l->name());
    return out;
  }

  void press(UpDownModel& arrows, Up b, int times = 1) {
    for (int i = 0; i < times; ++i) arrows.click(b);
  }
};

}  // namespace

TEST_F(TimeEditing, ClickingALabelSelectsItAndGivesTheArrowsItsRangeAndValue) {
  form.StartHour = 7;
  form.StartMinute = 42;
  form.StartSecond = 3;
  form.StartAmPm = 2;
  form.StopMinute = 58;
  struct Case {
    LabelModel& label;
    UpDownModel& arrows;
    int min, max, position;
  };
  const Case cases[] = {
      {form.Start_Hr, form.StartTimeUpDn, 0, 12, 7},      {form.Start_Min, form.StartTimeUpDn, 0, 59, 42},
      {form.Start_Sec, form.StartTimeUpDn, 0, 59, 3},     {form.Start_AM_PM, form.StartTimeUpDn, 1, 2, 2},
      {form.Stop_Hr, form.StopTimeUpDn, 0, 12, 0},        {form.Stop_Min, form.StopTimeUpDn, 0, 59, 58},
      {form.Stop_Sec, form.StopTimeUpDn, 0, 59, 0},       {form.Stop_AM_PM, form.StopTimeUpDn, 1, 2, 1},
  };
  for (const Case& c : cases) {
    form.SetRecordTimer.setEnabled(true);
    c.label.click();
    EXPECT_EQ(c.arrows.min(), c.min) << c.label.name();
    EXPECT_EQ(c.arrows.max(), c.max) << c.label.name();
    EXPECT_EQ(c.arrows.position(), c.position) << c.label.name();
    EXPECT_FALSE(form.SetRecordTimer.enabled()) << c.label.name();
    // Exactly one red label, the one clicked, in both rows together.
    std::vector<std::string> all = red(startRow());
    for (const auto& n : red(stopRow())) all.push_back(n);
    EXPECT_EQ(all, std::vector<std::string>{c.label.name()});
  }
}

TEST_F(TimeEditing, TheArrowsStopAtTheEndsOfEachRange) {
  form.Start_Min.click();
  press(form.StartTimeUpDn, Up::Up, 70);
  EXPECT_EQ(form.StartMinute, 59);
  EXPECT_EQ(form.Start_Min.text(), "59m");  // 59 stays 59, no wrap to 0

  form.Start_Hr.click();
  press(form.StartTimeUpDn, Up::Up, 7);
  EXPECT_EQ(form.Start_Hr.text(), "07h");
  press(form.StartTimeUpDn, Up::Up, 10);
  EXPECT_EQ(form.StartHour, 12);
  EXPECT_EQ(form.Start_Hr.text(), "12h");
  press(form.StartTimeUpDn, Up::Down, 20);
  EXPECT_EQ(form.StartHour, 0);
  EXPECT_EQ(form.Start_Hr.text(), "00h");  // 00h can be set, and down from it stays

  form.Stop_Sec.click();
  press(form.StopTimeUpDn, Up::Down);
  EXPECT_EQ(form.Stop_Sec.text(), "00s");
  press(form.StopTimeUpDn, Up::Up, 9);
  EXPECT_EQ(form.StopSecond, 9);
  EXPECT_EQ(form.Stop_Sec.text(), "09s");
  // The other fields of both rows are untouched.
  EXPECT_EQ(form.StopMinute, 0);
  EXPECT_EQ(form.StartMinute, 59);
}

TEST_F(TimeEditing, AmPmUpFromAmGivesPmAndStaysThere) {
  form.Stop_AM_PM.click();
  press(form.StopTimeUpDn, Up::Up);
  EXPECT_EQ(form.StopAmPm, 2);
  EXPECT_EQ(form.Stop_AM_PM.text(), "PM");
  press(form.StopTimeUpDn, Up::Up);
  EXPECT_EQ(form.StopAmPm, 2);
  EXPECT_EQ(form.Stop_AM_PM.text(), "PM");
  press(form.StopTimeUpDn, Up::Down, 3);
  EXPECT_EQ(form.StopAmPm, 1);
  EXPECT_EQ(form.Stop_AM_PM.text(), "AM");
  EXPECT_EQ(form.Start_AM_PM.text(), "AM");
}

TEST_F(TimeEditing, TheSelectionLastsUntilTwoSecondsAfterTheLastStep) {
  form.Stop_Min.click();
  host.runFor(10000);  // a selection alone never times out
  EXPECT_EQ(red(stopRow()), std::vector<std::string>{"Stop_Min"});

  press(form.StopTimeUpDn, Up::Up);
  EXPECT_EQ(form.LastEditedTime, 2);
  host.runFor(1900);
  press(form.StopTimeUpDn, Up::Up);  // counts two seconds afresh
  host.runFor(1900);
  EXPECT_EQ(red(stopRow()), std::vector<std::string>{"Stop_Min"});
  host.runFor(200);
  EXPECT_TRUE(red(stopRow()).empty());
  EXPECT_FALSE(form.SetRecordTimer.enabled());  // it fires once
  EXPECT_EQ(form.StopMinute, 2);
  EXPECT_EQ(form.Stop_Min.text(), "02m");
}

TEST_F(TimeEditing, ArrowsWithNothingSelectedOnlyRestartTheTimer) {
  host.runFor(500);
  press(form.StartTimeUpDn, Up::Up, 3);
  for (const LabelModel* l : startRow()) EXPECT_EQ(l->fontColour(), clBlack);
  EXPECT_EQ(form.Start_Hr.text(), "00h");
  EXPECT_EQ(form.Start_Min.text(), "00m");
  EXPECT_EQ(form.Start_Sec.text(), "00s");
  EXPECT_EQ(form.Start_AM_PM.text(), "AM");
  EXPECT_EQ(form.StartHour + form.StartMinute + form.StartSecond, 0);
  EXPECT_EQ(form.StartAmPm, 1);
  EXPECT_TRUE(form.SetRecordTimer.enabled());
  EXPECT_EQ(host.timerDue(form.SetRecordTimer), host.nowMs() + 2000);
  EXPECT_EQ(form.LastEditedTime, 1);
}

TEST_F(TimeEditing, TheOtherRowsArrowsNeitherStoreNorClearThisRow) {
  form.Start_Hr.click();
  press(form.StopTimeUpDn, Up::Up);
  EXPECT_EQ(form.StopHour, 0);
  EXPECT_EQ(form.StartHour, 0);
  EXPECT_EQ(form.Stop_Hr.text(), "00h");

  // Two seconds later the timer clears the end row, the one last stepped.
  host.runFor(2000);
  EXPECT_EQ(red(startRow()), std::vector<std::string>{"Start_Hr"});
  press(form.StartTimeUpDn, Up::Up);
  EXPECT_EQ(form.StartHour, 1);
  EXPECT_EQ(form.Start_Hr.text(), "01h");

  // Selecting in the other row clears this one at once.
  form.Stop_Sec.click();
  EXPECT_TRUE(red(startRow()).empty());
  EXPECT_EQ(red(stopRow()), std::vector<std::string>{"Stop_Sec"});
}

TEST_F(TimeEditing, ALoadedHourOutOfRangeIsShownAsStoredUntilStepped) {
  ConfigRecord r;
  r.StopHour = 75;
  const auto bytes = r.encode();
  form.configuration.LoadFromBytes(bytes.data(), bytes.size());
  EXPECT_EQ(form.Stop_Hr.text(), "75h");

  form.Stop_Hr.click();
  EXPECT_EQ(form.StopTimeUpDn.position(), 12);  // the control keeps its range
  EXPECT_EQ(form.StopHour, 75);
  EXPECT_EQ(form.Stop_Hr.text(), "75h");
  press(form.StopTimeUpDn, Up::Up);
  EXPECT_EQ(form.StopHour, 12);
  EXPECT_EQ(form.Stop_Hr.text(), "12h");
}
