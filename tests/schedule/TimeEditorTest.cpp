#include <gtest/gtest.h>

#include "FormFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

constexpr auto Up = UpDownModel::Button::Up;
constexpr auto Down = UpDownModel::Button::Down;

class TimeEditing : public FormFixture {
 protected:
  TimeEditing() { startUp(); }

  // The red labels of both rows, by name.
  std::vector<std::string> red() {
    std::vector<std::string> out;
    for (const LabelModel* l : {&form.Start_Hr, &form.Start_Min, &form.Start_Sec, &form.Start_AM_PM, &form.Stop_Hr,
                                &form.Stop_Min, &form.Stop_Sec, &form.Stop_AM_PM})
      if (l->fontColour() == clRed) out.push_back(l->name());
    return out;
  }
  using Names = std::vector<std::string>;

  static void press(UpDownModel& arrows, UpDownModel::Button b, int times = 1) {
    for (int i = 0; i < times; ++i) arrows.click(b);
  }
};

}  // namespace

TEST_F(TimeEditing, ClickingALabelSelectsItAndGivesTheArrowsItsRangeAndValue) {
  form.StartMinute = 42;
  form.StopAmPm = 2;
  const std::tuple<LabelModel*, UpDownModel*, int, int, int> cases[] = {
      {&form.Start_Hr, &form.StartTimeUpDn, 0, 12, 0},  {&form.Start_Min, &form.StartTimeUpDn, 0, 59, 42},
      {&form.Stop_Sec, &form.StopTimeUpDn, 0, 59, 0},   {&form.Stop_AM_PM, &form.StopTimeUpDn, 1, 2, 2}};
  for (auto [label, arrows, min, max, position] : cases) {
    form.SetRecordTimer.setEnabled(true);
    label->click();
    EXPECT_EQ(arrows->min(), min) << label->name();
    EXPECT_EQ(arrows->max(), max) << label->name();
    EXPECT_EQ(arrows->position(), position) << label->name();
    EXPECT_FALSE(form.SetRecordTimer.enabled());
    EXPECT_EQ(red(), Names{label->name()});  // the other row is cleared too
  }
}

TEST_F(TimeEditing, TheArrowsStopAtTheEndsOfEachRange) {
  form.Start_Min.click();
  press(form.StartTimeUpDn, Up, 70);
  EXPECT_EQ(form.StartMinute, 59);
  EXPECT_EQ(form.Start_Min.text(), "59m");  // 59 stays 59, no wrap to 0

  form.Start_Hr.click();
  press(form.StartTimeUpDn, Up, 7);
  EXPECT_EQ(form.Start_Hr.text(), "07h");
  press(form.StartTimeUpDn, Up, 10);
  EXPECT_EQ(form.Start_Hr.text(), "12h");
  press(form.StartTimeUpDn, Down, 20);
  EXPECT_EQ(form.StartHour, 0);
  EXPECT_EQ(form.Start_Hr.text(), "00h");  // 00h can be set

  form.Stop_AM_PM.click();
  press(form.StopTimeUpDn, Up, 2);
  EXPECT_EQ(form.StopAmPm, 2);
  EXPECT_EQ(form.Stop_AM_PM.text(), "PM");  // up from 1 gives PM and stays
  press(form.StopTimeUpDn, Down, 3);
  EXPECT_EQ(form.Stop_AM_PM.text(), "AM");
  EXPECT_EQ(form.StartMinute, 59);  // the other fields are untouched
}

TEST_F(TimeEditing, TheSelectionLastsUntilTwoSecondsAfterTheLastStep) {
  form.Stop_Min.click();
  host.runFor(10000);  // a selection alone never times out
  press(form.StopTimeUpDn, Up);
  host.runFor(1900);
  press(form.StopTimeUpDn, Up);  // counts two seconds afresh
  host.runFor(1900);
  EXPECT_EQ(red(), Names{"Stop_Min"});
  host.runFor(200);
  EXPECT_TRUE(red().empty());
  EXPECT_FALSE(form.SetRecordTimer.enabled());  // it fires once
  EXPECT_EQ(form.Stop_Min.text(), "02m");
}

TEST_F(TimeEditing, ArrowsWithNothingSelectedOnlyRestartTheTimer) {
  host.runFor(500);
  press(form.StartTimeUpDn, Up, 3);
  EXPECT_TRUE(red().empty());
  EXPECT_EQ(form.Start_Hr.text() + form.Start_Min.text() + form.Start_Sec.text() + form.Start_AM_PM.text(),
            "00h00m00sAM");
  EXPECT_EQ(form.StartHour + form.StartMinute + form.StartSecond, 0);
  EXPECT_EQ(host.timerDue(form.SetRecordTimer), host.nowMs() + 2000);
}

TEST_F(TimeEditing, TheOtherRowsArrowsNeitherStoreNorClearThisRow) {
  form.Start_Hr.click();
  press(form.StopTimeUpDn, Up);
  EXPECT_EQ(form.StopHour + form.StartHour, 0);
  host.runFor(2000);  // the timer clears the end row, the one last stepped
  EXPECT_EQ(red(), Names{"Start_Hr"});
  press(form.StartTimeUpDn, Up);
  EXPECT_EQ(form.Start_Hr.text(), "01h");
}
