#include <gtest/gtest.h>

#include <tuple>

#include "Marked.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class Steps : public MarkedForm {
 protected:
  std::int32_t w(int i) const { return form.WorkSamples[static_cast<std::size_t>(i)]; }
  void fill(int n, std::int32_t v) { std::fill(form.WorkSamples.begin(), form.WorkSamples.begin() + n, v); }
  // One buffer of silence but for a single sample, through the gate.
  void gate(std::int32_t peak, int n = 2048) {
    fill(n, 0);
    form.WorkSamples[700] = -peak;
    form.steps.UpdateVoxGate(n);
  }
};

}  // namespace

// The first buffer's own mean goes at once; later buffers follow the level
// slowly: capture by a twentieth of the difference, playback by a fiftieth.
TEST_F(Steps, DcOffsetIsRemovedAtOnceThenFollowedSlowly) {
  float dc = 0.0f;
  for (int i = 0; i < 1024; ++i) form.WorkSamples[static_cast<std::size_t>(i)] = 100 + (i % 2 ? 500 : -500);
  form.steps.RemoveDcOffset(1024, 0, dc);
  EXPECT_EQ(std::tuple(dc, w(0), w(1)), std::tuple(100.0f, -500, 500));
  fill(1024, 300);
  form.steps.RemoveDcOffset(1024, 2, dc);
  EXPECT_EQ(std::pair(dc, w(0)), std::pair(110.0f, 190));  // (19 * 100 + 300) / 20

  std::int32_t d = 0;
  fill(100, 250);
  form.steps.RemovePlayDcOffset(100, 1, d);
  EXPECT_EQ(std::pair(d, w(0)), std::pair(250, 0));
  fill(100, 350);
  form.steps.RemovePlayDcOffset(100, 2, d);
  EXPECT_EQ(std::pair(d, w(0)), std::pair(252, 98));  // (250 * 49 + 350) / 50
}

TEST_F(Steps, TheGateOpensStrictlyAboveTheThresholdAndClosesAHangTimeAfterALoudBuffer) {
  voxAtZeroDb();  // a level of 1000, 500 ms hang
  gate(5000, 1024);
  host.runFor(300);
  gate(0, 1024);  // a quiet buffer in the hang leaves it running, the light dark and the time counting
  EXPECT_EQ(std::pair(form.SquelchLED.checked(), form.RecordPlayTimer.counting()), std::pair(false, true));
  host.runFor(199);
  EXPECT_EQ(form.GateOpen, 1);
  host.runFor(10);  // 500 ms after the loud buffer
  EXPECT_EQ(std::tuple(form.GateOpen == 1, form.SquelchLED.checked(), form.SquelchTimer.enabled()),
            std::tuple(false, true, false));

  // One buffer through the closed gate: whether it opened, the light, and the levels it was judged by.
  const auto pass = [&](std::int32_t peak) {
    form.GateOpen = 0;
    gate(peak);
    return std::tuple(form.GateOpen == 1, form.SquelchLED.checked(), form.PeakLevel, form.ThresholdLevel);
  };
  EXPECT_EQ(pass(1000), std::tuple(false, true, 1000, 1000));
  EXPECT_EQ(pass(1001), std::tuple(true, false, 1001, 1000));
  EXPECT_EQ(std::tuple(form.AbsSamples[700], form.RecordPlayTimer.counting()), std::tuple(1001, true));

  form.ThresholdFactor = 0.0f;  // never set: any non-zero sample opens it
  EXPECT_EQ(pass(1), std::tuple(true, false, 1, 0));
  EXPECT_EQ(pass(0), std::tuple(false, true, 0, 0));

  form.InputThresholdUpDn.setPosition(31);
  form.InputThresholdUpDnClick();
  // 16-bit input with gain 1 never reaches 31 dB.
  EXPECT_EQ(pass(32768), std::tuple(false, true, 32768, 35481));

  form.VoxEnabled = 0;  // with VOX off the hang's end leaves the LED dark
  form.GateOpen = 1;
  form.SquelchTimerTimer();
  EXPECT_FALSE(form.SquelchLED.checked());
}
