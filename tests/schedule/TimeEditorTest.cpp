#include <gtest/gtest.h>

#include "FormFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

constexpr auto Up = UpDownModel::Button::Up;
constexpr auto Down = UpDownModel::Button::Down;
using Names = std::vector<std::string>;

class TimeEditing : public FormFixture {
 protected:
  TimeEditing() { startUp(); }

  // The red labels of both rows, by name.
  Names red() {
    Names out;
    for (const LabelModel* l : {&form.Start_Hr, &form.Start_Min, &form.Start_Sec, &form.Start_AM_PM, &form.Stop_Hr,
                                &form.Stop_Min, &form.Stop_Sec, &form.Stop_AM_PM})
      if (l->fontColour() == clRed) out.push_back(l->name());
    return out;
  }
  std::string rows() {
    return form.Start_Hr.text() + form.Start_Min.text() + form.Start_Sec.text() + form.Start_AM_PM.text() + " " +
           form.Stop_Hr.text() + form.Stop_Min.text() + form.Stop_Sec.text() + form.Stop_AM_PM.text();
  }
  static void press(UpDownModel& arrows, UpDownModel::Button b, int times = 1) {
    for (int i = 0; i < times; ++i) arrows.click(b);
  }
};

}  // namespace

// Clicking a label selects it alone, stops the two-second timer and gives its
// row's arrows the field's range and stored value. Each step stores and shows
// the new value; the arrows stop at the ends of each range without wrapping,
// and 00h can be set.
TEST_F(TimeEditing, ClickedLabelsAreSteppedWithinTheirRangeAndShown) {
  form.StopSecond = 42;
  form.StopAmPm = 2;
  form.timeEditor.RefreshTimeLabels();
  const std::tuple<LabelModel*, UpDownModel*, UpDownModel::Button, int, const char*> steps[] = {
      {&form.Start_Min, &form.StartTimeUpDn, Up, 70, "00h59m00sAM 00h00m42sPM"},
      {&form.Start_Hr, &form.StartTimeUpDn, Up, 7, "07h59m00sAM 00h00m42sPM"},
      {nullptr, &form.StartTimeUpDn, Up, 10, "12h59m00sAM 00h00m42sPM"},
      {nullptr, &form.StartTimeUpDn, Down, 20, "00h59m00sAM 00h00m42sPM"},
      {&form.Stop_Sec, &form.StopTimeUpDn, Up, 3, "00h59m00sAM 00h00m45sPM"},
      {nullptr, &form.StopTimeUpDn, Down, 50, "00h59m00sAM 00h00m00sPM"},
      {&form.Start_AM_PM, &form.StartTimeUpDn, Up, 2, "00h59m00sPM 00h00m00sPM"},
      {nullptr, &form.StartTimeUpDn, Down, 3, "00h59m00sAM 00h00m00sPM"},
      {&form.Stop_AM_PM, &form.StopTimeUpDn, Down, 1, "00h59m00sAM 00h00m00sAM"}};
  for (auto [label, arrows, button, times, shown] : steps) {
    if (label) {
      label->click();
      EXPECT_EQ(red(), Names{label->name()});
      EXPECT_FALSE(form.SetRecordTimer.enabled());
    }
    press(*arrows, button, times);
    EXPECT_EQ(rows(), shown);
  }
  EXPECT_EQ(std::tuple(form.StartHour, form.StartMinute, form.StartSecond, form.StartAmPm), std::tuple(0, 59, 0, 1));
  EXPECT_EQ(std::tuple(form.StopHour, form.StopMinute, form.StopSecond, form.StopAmPm), std::tuple(0, 0, 0, 1));
}

// A selection alone never times out; every step, even with nothing selected or
// on the other row's arrows (which store nothing), counts two seconds afresh, and
// then the row last stepped is cleared, once.
TEST_F(TimeEditing, TheSelectionLastsUntilTwoSecondsAfterTheLastStep) {
  host.runFor(500);
  press(form.StartTimeUpDn, Up, 3);
  EXPECT_TRUE(red().empty());
  EXPECT_EQ(rows(), "00h00m00sAM 00h00m00sAM");
  EXPECT_EQ(host.timerDue(form.SetRecordTimer), host.nowMs() + 2000);

  form.Stop_Min.click();
  host.runFor(10000);
  press(form.StopTimeUpDn, Up);
  host.runFor(1900);
  press(form.StopTimeUpDn, Up);
  host.runFor(1900);
  EXPECT_EQ(red(), Names{"Stop_Min"});
  host.runFor(200);
  EXPECT_TRUE(red().empty());
  EXPECT_FALSE(form.SetRecordTimer.enabled());
  EXPECT_EQ(form.Stop_Min.text(), "02m");

  form.Start_Hr.click();
  press(form.StopTimeUpDn, Up);
  EXPECT_EQ(form.StopHour + form.StartHour, 0);
  host.runFor(2000);  // the timer clears the end row, the one last stepped
  EXPECT_EQ(red(), Names{"Start_Hr"});
  press(form.StartTimeUpDn, Up);
  EXPECT_EQ(form.Start_Hr.text(), "01h");
}
