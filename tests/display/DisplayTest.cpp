#include <gtest/gtest.h>

#include "FormFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class DisplayViews : public FormFixture {
 protected:
  DisplayViews() { startUp(); }

  // The samples a view reads: frames of (left, right) or mono values.
  std::vector<std::int32_t> mono(std::int32_t v) { return std::vector<std::int32_t>(1024, v); }
  std::vector<std::int32_t> stereo(std::int32_t l, std::int32_t r) {
    std::vector<std::int32_t> s;
    for (int i = 0; i < 1024; ++i) {
      s.push_back(l);
      s.push_back(r);
    }
    return s;
  }
  Colour shown(int x, int y) { return form.SpectrumBox.image().pixel(x, y); }
  int blackRowsIn(int x) {
    int n = 0;
    for (int y = 0; y < 145; ++y) n += shown(x, y) == clBlack;
    return n;
  }
  void draw(const std::vector<std::int32_t>& s, int channels) {
    form.display.ClearDisplay();
    form.DisplayType == 0 ? form.display.DrawTimeView(s.data(), channels)
                          : form.display.DrawAmplitudeView(s.data(), channels);
  }
};

}  // namespace

TEST_F(DisplayViews, TimeTraceUses400UnitsAPixelAroundTheCentreRow) {
  draw(mono(4000), 1);
  for (int x : {0, 150, 305}) {
    EXPECT_EQ(shown(x, 62), clBlack) << x;  // 72 - 4000 / 400
    EXPECT_EQ(blackRowsIn(x), 1) << x;
  }
  draw(mono(-399), 1);  // truncation toward zero: still the centre row
  EXPECT_EQ(shown(10, 72), clBlack);

  // One sample per column: a step from 0 to 8000 between columns 99 and 100.
  std::vector<std::int32_t> step(1024, 0);
  for (int i = 100; i < 1024; ++i) step[static_cast<std::size_t>(i)] = 8000;
  draw(step, 1);
  EXPECT_EQ(shown(98, 72), clBlack);
  EXPECT_EQ(shown(99, 72), clBlack);  // the rising segment starts here
  EXPECT_EQ(shown(100, 52), clBlack);
  EXPECT_EQ(shown(100, 72), clWhite);
}

TEST_F(DisplayViews, FullScaleSwingIsClippedAtTheEdge) {
  std::vector<std::int32_t> s(1024);
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = i % 2 ? 32767 : -32768;
  draw(s, 1);  // 81 pixels either way: beyond a 145-pixel box, clipped at its edges
  EXPECT_EQ(shown(11, 0), clBlack);
  EXPECT_EQ(shown(10, 144), clBlack);
  EXPECT_EQ(form.SpectrumBox.image().height(), 145);
}

TEST_F(DisplayViews, LevelLinesOnlyInMonoWhileAGatedRecordingRuns) {
  form.ActivityState = ActivityRecording;
  form.VoxEnabled = 1;
  form.ThresholdLevel = 2000;
  form.PeakLevel = 150;  // below 200: on the centre row
  draw(mono(-8000), 1);
  EXPECT_EQ(shown(0, 62), clGreen);  // 10 pixels up
  EXPECT_EQ(shown(305, 62), clGreen);
  EXPECT_EQ(shown(200, 72), clRed);
  EXPECT_EQ(shown(200, 92), clBlack);  // the trace itself

  for (auto setup : {std::function<void()>([&] { form.VoxEnabled = 0; }),
                     std::function<void()>([&] { form.ActivityState = ActivityPlaying; })}) {
    form.ActivityState = ActivityFileTransfer;
    form.VoxEnabled = 1;
    setup();
    draw(mono(-8000), 1);
    EXPECT_NE(shown(0, 62), clGreen);
    EXPECT_NE(shown(200, 72), clRed);
  }
  form.ActivityState = ActivityFileTransfer;
  form.VoxEnabled = 1;
  draw(stereo(0, 0), 2);
  EXPECT_NE(shown(0, 62), clGreen);
}

TEST_F(DisplayViews, StereoDrawsTwoTracesAroundTheQuarterRows) {
  draw(stereo(4000, -4000), 2);
  EXPECT_EQ(shown(20, 26), clBlack);   // 36 - 10
  EXPECT_EQ(shown(20, 118), clBlack);  // 108 + 10
  EXPECT_EQ(blackRowsIn(20), 2);
}

TEST_F(DisplayViews, AmplitudeBarsAndTheTwoPixelMarkOfSilence) {
  form.Waterfall1Click();
  EXPECT_EQ(form.DisplayType, 1);
  EXPECT_TRUE(form.Waterfall1.checked());
  EXPECT_FALSE(form.Time1.checked());
  draw(mono(0), 1);
  EXPECT_EQ(shown(5, 71), clBlack);
  EXPECT_EQ(shown(5, 72), clBlack);
  EXPECT_EQ(blackRowsIn(5), 2);

  draw(mono(-4000), 1);  // |s| / 400 = 10: rows 61 .. 82
  EXPECT_EQ(blackRowsIn(5), 22);
  EXPECT_EQ(shown(5, 61), clBlack);
  EXPECT_EQ(shown(5, 82), clBlack);
  EXPECT_EQ(shown(5, 83), clWhite);

  draw(stereo(0, 4000), 2);
  EXPECT_EQ(blackRowsIn(7), 2 + 22);
  EXPECT_EQ(shown(7, 35), clBlack);
  EXPECT_EQ(shown(7, 97), clBlack);

  form.Time1Click();
  EXPECT_EQ(form.DisplayType, 0);
  EXPECT_TRUE(form.Time1.checked());
}

TEST_F(DisplayViews, ElapsedTimeFollowsTheInputFileOrTheCounter) {
  form.InputFileOpen = 1;
  form.InputDataBytes = (3600 + 5 * 60) * 11025 * 2;
  form.PlayBytesRemaining = 0;
  form.display.ShowElapsedTime();
  EXPECT_EQ(form.TimerMemo.text(), "01:05:00");
  form.ChannelCount = 2;  // four bytes a frame
  form.display.ShowElapsedTime();
  EXPECT_EQ(form.TimerMemo.text(), "00:32:30");
  form.PlayBytesRemaining = -4096;  // past the end: counted as the end
  form.display.ShowElapsedTime();
  EXPECT_EQ(form.TimerMemo.text(), "00:32:30");

  form.InputFileOpen = 0;
  form.OutputFileOpen = 1;
  form.RecordPlayTimer.setElapsedMs((3 * 60 + 7) * 1000);
  form.display.ShowElapsedTime();
  EXPECT_EQ(form.TimerMemo.text(), "00:03:07");

  form.OutputFileOpen = 0;
  form.RecordPlayTimer.setElapsedMs(0);
  form.display.ShowElapsedTime();  // nothing open: left as it was
  EXPECT_EQ(form.TimerMemo.text(), "00:03:07");
}
