#include <gtest/gtest.h>

#include "platform/CheckBoxModel.h"
#include "platform/HourCounterModel.h"
#include "platform/RasterCanvas.h"
#include "platform/ScrollBarModel.h"
#include "platform/UpDownModel.h"

using namespace quorvane;

TEST(HourCounter, CountsOnlyWhileSwitchedOnAndCarriesIntoMinutesAndHours) {
  std::int64_t now = 0;
  HourCounterModel c("RecordPlayTimer", [&] { return now; });
  now = 5000;
  EXPECT_EQ(c.seconds(), 0);  // not counting yet
  c.SetCount(true);
  now += 59'000;
  EXPECT_EQ(c.seconds(), 59);
  now += 1'000;
  EXPECT_EQ(c.minutes(), 1);
  EXPECT_EQ(c.seconds(), 0);
  c.SetCount(false);  // held
  now += 3'600'000;
  EXPECT_EQ(c.hours(), 0);
  EXPECT_EQ(c.minutes(), 1);
  c.SetCount(true);  // resumes from the held value
  now += 3'600'000 + 4'000;
  EXPECT_EQ(c.hours(), 1);
  EXPECT_EQ(c.minutes(), 1);
  EXPECT_EQ(c.seconds(), 4);

  c.setHours(0);
  c.setMinutes(0);
  c.setSeconds(0);
  EXPECT_EQ(c.elapsedMs(), 0);
  c.setMinutes(15);
  c.setHours(1);
  c.setSeconds(7);
  EXPECT_EQ(c.elapsedMs(), (3600 + 15 * 60 + 7) * 1000);
  now += 1000;  // still counting after being set
  EXPECT_EQ(c.seconds(), 8);
}

TEST(UpDown, StaysWithinItsRangeWithoutWrapping) {
  UpDownModel u("StartTimeUpDn", 0, 59, 59);
  int clicks = 0;
  u.onClick = [&] { ++clicks; };
  u.click(UpDownModel::Button::Up);
  EXPECT_EQ(u.position(), 59);
  EXPECT_EQ(clicks, 1);  // the handler runs even at the limit
  u.setMax(12);
  EXPECT_EQ(u.position(), 12);
  u.setPosition(75);
  EXPECT_EQ(u.position(), 12);
  u.setPosition(0);
  u.click(UpDownModel::Button::Down);
  EXPECT_EQ(u.position(), 0);
}

TEST(CheckBoxAndScrollBar, UserActionsChangeStateThenRunTheHandler) {
  CheckBoxModel box("VoxCheckBox", "Voice Activate");
  bool seen = false;
  box.onClick = [&] { seen = box.checked(); };
  box.click();
  EXPECT_TRUE(seen);
  box.setEnabled(false);
  box.click();  // a disabled box ignores the user
  EXPECT_TRUE(box.checked());

  ScrollBarModel bar("PlayScrollBar", 1000, 10);
  int reported = -1;
  bar.onScroll = [&](int p) { reported = p; };
  bar.scroll(1200);
  EXPECT_EQ(bar.position(), 1000);
  EXPECT_EQ(reported, 1000);
}

TEST(RasterCanvas, RectanglesAndLinesAreClippedAndLeaveOutTheirEnd) {
  RasterCanvas c(10, 6, clBlack);
  c.penColour = clWhite;
  c.brushColour = clWhite;
  c.rectangle(0, 0, 8, 4);
  EXPECT_EQ(c.pixel(7, 3), clWhite);
  EXPECT_EQ(c.pixel(8, 3), clBlack);  // x2 is not covered
  EXPECT_EQ(c.pixel(7, 4), clBlack);

  c.penColour = clRed;
  c.line(2, -20, 2, 20);  // runs far outside: clipped, no fault
  EXPECT_EQ(c.pixel(2, 0), clRed);
  EXPECT_EQ(c.pixel(2, 5), clRed);
  c.line(0, 5, 5, 5);
  EXPECT_EQ(c.pixel(4, 5), clRed);
  EXPECT_NE(c.pixel(5, 5), clRed);  // the end point is left out

  RasterCanvas small(3, 3, clGreen);
  c.draw(small, 8, 4);  // partly outside
  EXPECT_EQ(c.pixel(9, 5), clGreen);
  EXPECT_EQ(c.pixel(7, 5), clBlack);
}
