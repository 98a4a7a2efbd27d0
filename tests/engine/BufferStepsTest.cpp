#include <gtest/gtest.h>

#include "FormFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class Steps : public FormFixture {
 protected:
  Steps() { startUp(); }

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
  EXPECT_EQ(dc, 100.0f);
  EXPECT_EQ(w(0), -500);
  EXPECT_EQ(w(1), 500);
  fill(1024, 300);
  form.steps.RemoveDcOffset(1024, 2, dc);
  EXPECT_FLOAT_EQ(dc, 110.0f);  // (19 * 100 + 300) * 0.05
  EXPECT_EQ(w(0), 190);

  std::int32_t d = 0;
  fill(100, 250);
  form.steps.RemovePlayDcOffset(100, 1, d);
  EXPECT_EQ(d, 250);
  EXPECT_EQ(w(0), 0);
  fill(100, 350);
  form.steps.RemovePlayDcOffset(100, 2, d);
  EXPECT_EQ(d, 252);  // (250 * 49 + 350) * 0.02
  EXPECT_EQ(w(0), 98);
}

TEST_F(Steps, TheGateOpensStrictlyAboveTheThreshold) {
  form.VoxEnabled = 1;
  form.InputThresholdUpDn.setPosition(0);
  form.InputThresholdUpDnClick();  // 0 dB: level 1000
  const auto pass = [&](std::int32_t peak) {
    form.GateOpen = 0;
    gate(peak);
    return form.GateOpen == 1;
  };
  EXPECT_FALSE(pass(1000));
  EXPECT_TRUE(form.SquelchLED.checked());
  EXPECT_EQ(form.ThresholdLevel, 1000);
  EXPECT_TRUE(pass(1001));
  EXPECT_EQ(form.PeakLevel, 1001);
  EXPECT_EQ(form.AbsSamples[700], 1001);
  EXPECT_FALSE(form.SquelchLED.checked());
  EXPECT_TRUE(form.RecordPlayTimer.counting());

  form.ThresholdFactor = 0.0f;  // never set: any non-zero sample opens it
  EXPECT_TRUE(pass(1));
  EXPECT_FALSE(pass(0));

  form.InputThresholdUpDn.setPosition(31);
  form.InputThresholdUpDnClick();
  EXPECT_FALSE(pass(32768));  // 16-bit input with gain 1 never reaches 31 dB
  EXPECT_EQ(form.ThresholdLevel, 35481);
}

TEST_F(Steps, EachLoudBufferRestartsTheHangTimeAndItsEndClosesTheGate) {
  form.VoxEnabled = 1;
  form.InputUpDnGain.setPosition(0);
  form.InputUpDnGainClick();  // 500 ms
  // Speech with 300 ms pauses: each loud buffer restarts the 500 ms hang.
  for (int burst = 0; burst < 5; ++burst) {
    gate(5000, 1024);
    host.runFor(300);
    gate(0, 1024);
    EXPECT_EQ(form.GateOpen, 1) << burst;
  }
  host.runFor(199);
  EXPECT_EQ(form.GateOpen, 1);
  host.runFor(10);  // 500 ms after the last loud buffer
  EXPECT_EQ(form.GateOpen, 0);
  EXPECT_TRUE(form.SquelchLED.checked());
  EXPECT_FALSE(form.SquelchTimer.enabled());

  form.VoxEnabled = 0;  // with VOX off the hang's end leaves the LED dark
  form.GateOpen = 1;
  form.SquelchTimerTimer();
  EXPECT_FALSE(form.SquelchLED.checked());
}
