#include <gtest/gtest.h>

#include <algorithm>

#include "DeviceFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

// Capture of a tone at 11025 samples per second: a buffer of 1024 samples
// fills in about 93 ms.
class DeviceWait : public DeviceFixture {
 protected:
  DeviceWait() { audio.setSource(0, SimSoundSource::tone(1000, 8000)); }

  int inputCalls(WaveCall call) const { return audio.calls(WaveDirection::Input, call); }
};

}  // namespace

TEST_F(DeviceWait, ReturnsWhenTheBufferIsFull) {
  startCapture();
  queueInput(BufferLetter::B);
  armWatchdog();
  EXPECT_EQ(dev().WaitInputBufferA(), 2048u);
  EXPECT_EQ(host.nowMs(), 100);  // 92.9 ms, seen at the next 10 ms poll
  EXPECT_EQ(dev().WaitInputBufferB(), 2048u);
  EXPECT_EQ(host.nowMs(), 190);  // 185.8 ms
  EXPECT_EQ(inputCalls(WaveCall::Reset), 0);
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(DeviceWait, StalledCaptureIsResetAndRestartedByTheWatchdogAndGoesOn) {
  startCapture();
  queueInput(BufferLetter::B);
  host.sleepMs(50);
  audio.stall(WaveDirection::Input);
  const std::int64_t armed = host.nowMs();
  armWatchdog();

  // Half a buffer had come in when the device stopped; the reset returns it.
  EXPECT_EQ(waitInput(BufferLetter::A), 2 * frameAt(0, 50));
  EXPECT_GE(host.nowMs() - armed, 200);
  EXPECT_LE(host.nowMs() - armed, 210);
  EXPECT_EQ(form.DeviceTimedOut, 1);
  EXPECT_FALSE(form.TimeoutTimer.enabled());  // one shot per arming
  EXPECT_EQ(inputCalls(WaveCall::Reset), 1);
  EXPECT_EQ(inputCalls(WaveCall::Start), 2);
  EXPECT_TRUE(dev().InputSide.HeaderB.done());

  // The loop goes on: B came back empty, and the restarted device fills A again.
  const std::int64_t restarted = host.nowMs();
  queueInput(BufferLetter::A);
  armWatchdog();
  EXPECT_EQ(waitInput(BufferLetter::B), 0u);
  queueInput(BufferLetter::B);
  EXPECT_EQ(waitInput(BufferLetter::A), 2048u);
  EXPECT_LE(host.nowMs() - restarted, 100);
  EXPECT_EQ(inputCalls(WaveCall::Reset), 1);
  const auto samples = inputSamples(BufferLetter::A, 2048);
  EXPECT_GE(*std::max_element(samples.begin(), samples.end()), 7900);
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(DeviceWait, StallIsWaitedOutWhileTheSoundCardDialogIsOpen) {
  startCapture();
  queueInput(BufferLetter::B);
  audio.stall(WaveDirection::Input);
  form.SelectInputSoundDevice1Click();
  armWatchdog();
  host.at(700, [this] { audio.resume(WaveDirection::Input); });

  EXPECT_EQ(waitInput(BufferLetter::A), 2048u);
  EXPECT_EQ(form.DeviceTimedOut, 1);  // it fired, and was not acted on
  EXPECT_EQ(inputCalls(WaveCall::Reset), 0);
  EXPECT_EQ(host.nowMs(), 800);  // 700 ms + 92.9 ms
}

TEST_F(DeviceWait, StopWhilePollingReturnsWithinOnePoll) {
  startCapture();
  queueInput(BufferLetter::B);
  armWatchdog();
  host.at(55, [this] { form.StopRequested = 1; });

  const std::uint32_t bytes = dev().WaitInputBufferA();
  EXPECT_LE(host.nowMs(), 65);
  // The buffer is incomplete: what had come in by then.
  EXPECT_EQ(bytes, 2 * frameAt(0, host.nowMs()));
  EXPECT_FALSE(dev().InputSide.HeaderA.done());
  EXPECT_EQ(inputCalls(WaveCall::Reset), 0);
}

TEST_F(DeviceWait, StalledPlaybackIsRestartedWithoutReportOrResult) {
  openPlayback();
  writeOutput(BufferLetter::A);
  writeOutput(BufferLetter::B);
  audio.stall(WaveDirection::Output);
  // Even a failing restart goes unreported and leaves the last result alone.
  audio.failCall(WaveDirection::Output, WaveCall::Start, WaveError);
  form.LastDeviceResult = 12345;
  armWatchdog();

  dev().WaitOutputBufferA();
  EXPECT_EQ(host.nowMs(), 200);
  EXPECT_EQ(audio.calls(WaveDirection::Output, WaveCall::Reset), 1);
  EXPECT_EQ(audio.calls(WaveDirection::Output, WaveCall::Start), 1);
  EXPECT_TRUE(dev().OutputSide.HeaderA.done());
  EXPECT_TRUE(dev().OutputSide.HeaderB.done());
  EXPECT_EQ(form.LastDeviceResult, 12345u);
  EXPECT_TRUE(host.messages().empty());
}
