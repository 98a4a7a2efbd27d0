#include <gtest/gtest.h>

#include "platform/CheckBoxModel.h"
#include "platform/HourCounterModel.h"
#include "platform/RasterCanvas.h"
#include "platform/ScrollBarModel.h"
#include "platform/UpDownModel.h"

using namespace quorvane;

TEST(HourCounter, CountsOnlyWhileSwitchedOnAndCarriesIntoMinutesAndHours) {
  std::int64_t now = 5000;
  HourCounterModel c("RecordPlayTimer", [&] { return now; });
  const auto hms = [&] { return std::tuple{c.hours(), c.minutes(), c.seconds()}; };
  // Each step: switch (or leave), advance the clock, the reading after it.
  const std::tuple<int, std::int64_t, std::tuple<int, int, int>> steps[] = {
      {-1, 1000, {0, 0, 0}},  {1, 59'000, {0, 0, 59}},           {-1, 1000, {0, 1, 0}},
      {0, 3'600'000, {0, 1, 0}}, {1, 3'604'000, {1, 1, 4}}};
  for (const auto& [on, advance, reading] : steps) {
    if (on >= 0) c.SetCount(on == 1);
    now += advance;
    EXPECT_EQ(hms(), reading) << now;
  }
  c.setElapsedMs(0);
  c.setMinutes(15);
  c.setHours(1);
  c.setSeconds(7);
  EXPECT_EQ(c.elapsedMs(), (3600 + 15 * 60 + 7) * 1000);
  now += 1000;  // still counting after being set
  EXPECT_EQ(c.seconds(), 8);
}

TEST(Controls, ArrowsStopAtTheirLimitsAndDisabledOrClampedControlsBehave) {
  UpDownModel u("StartTimeUpDn", 0, 59, 59);
  int clicks = 0;
  u.onClick = [&] { ++clicks; };
  u.click(UpDownModel::Button::Up);
  EXPECT_EQ(u.position(), 59);
  EXPECT_EQ(clicks, 1);  // the handler runs even at the limit
  u.setMax(12);
  EXPECT_EQ(u.position(), 12);
  u.setPosition(0);
  u.click(UpDownModel::Button::Down);
  EXPECT_EQ(u.position(), 0);

  CheckBoxModel box("VoxCheckBox", "Voice Activate");
  bool seen = false;
  box.onClick = [&] { seen = box.checked(); };
  box.click();
  box.setEnabled(false);
  box.click();  // a disabled box ignores the user
  EXPECT_TRUE(seen && box.checked());

  ScrollBarModel bar("PlayScrollBar", 1000, 10);
  int reported = -1;
  bar.onScroll = [&](int p) { reported = p; };
  bar.scroll(1200);
  EXPECT_EQ(bar.position(), 1000);
  EXPECT_EQ(reported, 1000);
}

TEST(RasterCanvas, RectanglesAndLinesAreClippedAndLeaveOutTheirEnd) {
  RasterCanvas c(10, 6, clBlack);
  c.penColour = c.brushColour = clWhite;
  c.rectangle(0, 0, 8, 4);  // x2 and y2 are not covered
  c.penColour = clRed;
  c.line(2, -20, 2, 20);  // runs far outside: clipped, no fault
  c.line(0, 5, 5, 5);     // the end point is left out
  c.draw(RasterCanvas(3, 3, clGreen), 8, 4);  // partly outside
  const std::tuple<int, int, Colour> pixels[] = {{7, 3, clWhite}, {8, 3, clBlack}, {7, 4, clBlack}, {2, 0, clRed},
                                                 {4, 5, clRed},   {5, 5, clBlack}, {9, 5, clGreen}, {7, 5, clBlack}};
  for (auto [x, y, colour] : pixels) EXPECT_EQ(c.pixel(x, y), colour) << x << "," << y;
}
