#include <gtest/gtest.h>

#include <algorithm>

#include "DeviceFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

// Capture of a tone at 11025 samples per second, A and B queued: buffer A
// fills in 92.9 ms.
class DeviceWait : public DeviceFixture {
 protected:
  DeviceWait() {
    audio.setSource(0, SimSoundSource::tone(1000, 8000));
    startCapture();
    queueInput(false);
  }
  int inputCalls(WaveCall call) const { return audio.calls(WaveDirection::Input, call); }
};

}  // namespace

TEST_F(DeviceWait, StalledCaptureIsResetAndRestartedByTheWatchdogAndGoesOn) {
  host.sleepMs(50);
  audio.stall(WaveDirection::Input);
  armWatchdog();

  // Half a buffer had come in when the device stopped; the reset returns it.
  // The watchdog fired at 250 ms, but a device is only taken to have stopped
  // after a second without delivering anything (a late one keeps its sound).
  EXPECT_EQ(waitInput(true), 2 * frameAt(50));
  EXPECT_EQ(host.nowMs(), 50 + WaveDevices::SilentMs);
  EXPECT_EQ(inputCalls(WaveCall::Reset), 1);
  EXPECT_EQ(inputCalls(WaveCall::Start), 2);
  EXPECT_FALSE(form.TimeoutTimer.enabled());  // one shot per arming

  // The loop goes on: B came back empty, and the restarted device fills A again.
  queueInput(true);
  armWatchdog();
  EXPECT_EQ(waitInput(false), 0u);
  queueInput(false);
  std::vector<std::int16_t> got;
  EXPECT_EQ(waitInput(true, &got), 2048u);
  EXPECT_EQ(host.nowMs(), 150 + WaveDevices::SilentMs);
  EXPECT_GE(*std::max_element(got.begin(), got.end()), 7900);
  EXPECT_EQ(inputCalls(WaveCall::Reset), 1);
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(DeviceWait, StallIsWaitedOutWhileTheSoundCardDialogIsOpen) {
  audio.stall(WaveDirection::Input);
  form.SelectInputSoundDevice1Click();
  armWatchdog();
  host.at(700, [this] { audio.resume(WaveDirection::Input); });

  EXPECT_EQ(waitInput(true), 2048u);
  EXPECT_EQ(host.nowMs(), 800);       // 700 ms + 92.9 ms, at the next poll
  EXPECT_EQ(form.DeviceTimedOut, 1);  // the watchdog fired and was not acted on
  EXPECT_EQ(inputCalls(WaveCall::Reset), 0);
}

TEST_F(DeviceWait, StopWhilePollingReturnsWithinOnePollWithWhatCameIn) {
  armWatchdog();
  host.at(55, [this] { form.StopRequested = 1; });
  EXPECT_EQ(dev().WaitInputBufferA(), 2 * frameAt(60));
  EXPECT_EQ(host.nowMs(), 60);
  EXPECT_FALSE(dev().InputSide.HeaderA.done());
}

TEST_F(DeviceWait, StalledPlaybackIsRestartedWithoutReportOrResult) {
  dev().SetupOutputHeaders();
  dev().OpenOutputDevice();
  writeOutput(true);
  writeOutput(false);
  audio.stall(WaveDirection::Output);
  audio.failCall(WaveDirection::Output, WaveCall::Start, WaveError);  // even a failed restart goes unreported
  form.LastDeviceResult = 12345;
  armWatchdog();

  dev().WaitOutputBufferA();
  EXPECT_EQ(host.nowMs(), WaveDevices::SilentMs);
  EXPECT_EQ(audio.calls(WaveDirection::Output, WaveCall::Reset), 1);
  EXPECT_EQ(audio.calls(WaveDirection::Output, WaveCall::Start), 1);
  EXPECT_TRUE(dev().OutputSide.HeaderB.done());
  EXPECT_EQ(form.LastDeviceResult, 12345u);
  EXPECT_TRUE(host.messages().empty());
}
