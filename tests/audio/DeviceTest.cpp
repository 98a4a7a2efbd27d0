#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "FormFixture.h"
#include "audio/WaveResult.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

// A main window with simulated sound devices, and the device operations in
// the order the capture and playback loops call them. Every captured sample
// tells the frame it was captured at.
std::int16_t frameMark(std::uint64_t frame) { return static_cast<std::int16_t>(frame & 0x7FFF); }

class Device : public FormFixture {
 protected:
  Device() {
    form.StopRequested = 0;  // as a loop leaves it when it starts
    audio.setSource(0, SimSoundSource::generator([](std::uint64_t f, unsigned) { return frameMark(f); }));
  }
  WaveDevices& dev() { return form.devices; }
  int calls(WaveDirection d, WaveCall call) const { return audio.calls(d, call); }

  // Capture: buffer A queued and the device started.
  void startCapture() {
    dev().SetupInputHeaders();
    dev().OpenInputDevice();
    queueInput(true);
    dev().StartInputDevice();
  }
  void queueInput(bool a) {
    a ? dev().RearmInputHeaderA() : dev().RearmInputHeaderB();
    a ? dev().PrepareInputHeaderA() : dev().PrepareInputHeaderB();
    a ? dev().AddInputBufferA() : dev().AddInputBufferB();
  }
  // Waits for a buffer and unprepares it; its samples go to `captured`.
  std::uint32_t waitInput(bool a) {
    const std::uint32_t bytes = a ? dev().WaitInputBufferA() : dev().WaitInputBufferB();
    a ? dev().UnprepareInputHeaderA() : dev().UnprepareInputHeaderB();
    const std::uint8_t* b = (a ? form.InputBufferA : form.InputBufferB).get();
    for (std::uint32_t i = 0; i + 1 < bytes; i += 2) captured.push_back(static_cast<std::int16_t>(b[i] | (b[i + 1] << 8)));
    return bytes;
  }
  // One pass of a capture loop: queue the other buffer, wait for this one,
  // keep its sound, then spend busyMs processing it.
  void pass(bool a, int busyMs = 0) {
    queueInput(!a);
    armWatchdog();
    waitInput(a);
    form.TimeoutTimer.setEnabled(false);
    host.sleepMs(busyMs);
  }
  void expectCapturedInOrder(std::size_t count) {
    ASSERT_GE(captured.size(), count);
    for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(captured[i], frameMark(i)) << i;
  }
  // Playback: fills the buffer with `fill` (if any) and writes it.
  void writeOutput(bool a, const std::vector<std::int16_t>& fill = {}) {
    std::uint8_t* b = (a ? form.OutputBufferA : form.OutputBufferB).get();
    for (std::size_t i = 0; i < fill.size(); ++i) {
      b[2 * i] = static_cast<std::uint8_t>(fill[i] & 0xFF);
      b[2 * i + 1] = static_cast<std::uint8_t>((fill[i] >> 8) & 0xFF);
    }
    a ? dev().RearmOutputHeaderA() : dev().RearmOutputHeaderB();
    a ? dev().PrepareOutputHeaderA() : dev().PrepareOutputHeaderB();
    a ? dev().WriteOutputBufferA() : dev().WriteOutputBufferB();
  }
  // The watchdog as the loops arm it: disarmed after every wait, so each
  // arming counts the full 200 ms.
  void armWatchdog() {
    form.DeviceTimedOut = 0;
    form.TimeoutTimer.setEnabled(false);
    form.TimeoutTimer.setEnabled(true);
  }
  // The frame a device opened at virtual time 0 is at when the clock shows ms.
  static std::uint64_t frameAt(std::int64_t ms) { return static_cast<std::uint64_t>(ms) * 11025 / 1000; }

  std::vector<std::int16_t> captured;
};

using DoubleBuffer = Device;
// The waits, with A and B queued: buffer A fills in 92.9 ms.
struct DeviceWait : Device {
  DeviceWait() {
    startCapture();
    queueInput(false);
  }
};
constexpr auto In = WaveDirection::Input;
constexpr auto Out = WaveDirection::Output;

}  // namespace

TEST_F(DoubleBuffer, CapturesEverySampleOnceAndInOrderWhileTwoBuffersStayQueued) {
  startCapture();
  for (int i = 0; i < 20; ++i) pass(i % 2 == 0, 30);
  EXPECT_EQ(captured.size(), 20u * 1024);
  expectCapturedInOrder(20 * 1024);
  EXPECT_EQ(dev().GetInputPosition(), 2 * frameAt(host.nowMs()));
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(DoubleBuffer, ALateProgramCatchesUpFromTheRingAndLosesOnlyWhatOverflowsIt) {
  // 250 ms late: A (queued before the wait) fills, the rest waits in the
  // ring. 4.5 s late: the ring's 4 s fill too, and only what came after is lost.
  for (const int busyMs : {250, 4500}) {
    SCOPED_TRACE(busyMs);
    captured.clear();
    const std::int64_t opened = host.nowMs();
    startCapture();
    pass(true);
    pass(false);
    const std::size_t late = frameAt(host.nowMs() - opened);
    host.sleepMs(busyMs);
    for (int i = 0; i < 56; ++i) pass(i % 2 == 0);
    EXPECT_EQ(captured.size(), 58u * 1024);
    const std::size_t kept = busyMs < 4000 ? captured.size() : late + 4 * 11025;
    expectCapturedInOrder(kept);
    if (kept < captured.size()) {
      EXPECT_NE(captured[kept], frameMark(kept));
    }
    EXPECT_EQ(audio.soundLoss().overruns > 0, busyMs > 4000);
  }
}

TEST_F(DoubleBuffer, PlaysEveryBufferInOrderThenSilence) {
  std::vector<std::int16_t> block(1024);
  std::int16_t next = 1;  // no zero in the sound, so silence stands out
  auto fresh = [&] {
    for (auto& v : block) v = next++;
    return block;
  };
  dev().SetupOutputHeaders();
  dev().OpenOutputDevice();
  writeOutput(true, fresh());
  writeOutput(false, fresh());
  for (int i = 0; i < 12; ++i) {
    const bool a = i % 2 == 0;
    armWatchdog();
    a ? dev().WaitOutputBufferA() : dev().WaitOutputBufferB();
    a ? dev().UnprepareOutputHeaderA() : dev().UnprepareOutputHeaderB();
    if (i < 10) writeOutput(a, fresh());
  }
  form.TimeoutTimer.setEnabled(false);
  host.sleepMs(400);  // what the device still holds plays out
  dev().ResetOutputDevice();

  const std::vector<std::int16_t>& played = audio.sink().samples();
  ASSERT_GT(played.size(), 12u * 1024);
  for (std::size_t i = 0; i < played.size(); ++i)
    ASSERT_EQ(played[i], i < 12 * 1024 ? static_cast<std::int16_t>(i + 1) : 0) << i;
}

TEST_F(DoubleBuffer, OpeningAgainReleasesADeviceLeftRunningAndClosingTheWindowReleasesAll) {
  startCapture();  // a run that ended without closing its device (stopped while paused)
  queueInput(false);
  host.sleepMs(40);
  const WaveHandle old = dev().InputSide.Handle;
  startCapture();
  EXPECT_FALSE(audio.isOpen(old));
  pass(true);
  pass(false);
  // The new device alone filled the buffers, counting its frames from its own opening.
  EXPECT_EQ(captured.size(), 2u * 1024);
  expectCapturedInOrder(2 * 1024);
  EXPECT_TRUE(host.messages().empty());

  form.FormDestroy();  // before the buffers go, so do the devices
  EXPECT_EQ(audio.openCount(), 0u);
}

TEST_F(DeviceWait, StalledCaptureIsResetAndRestartedByTheWatchdogAndGoesOn) {
  host.sleepMs(50);
  audio.stall(In);
  armWatchdog();

  // Half a buffer had come in when the device stopped; the reset returns it.
  // The watchdog fired at 250 ms, but a device is only taken to have stopped
  // after a second without delivering anything (a late one keeps its sound).
  EXPECT_EQ(waitInput(true), 2 * frameAt(50));
  EXPECT_EQ(host.nowMs(), 50 + WaveDevices::SilentMs);
  EXPECT_EQ(calls(In, WaveCall::Reset), 1);
  EXPECT_EQ(calls(In, WaveCall::Start), 2);
  EXPECT_FALSE(form.TimeoutTimer.enabled());  // one shot per arming

  // The loop goes on: B came back empty, and the restarted device fills A again.
  queueInput(true);
  armWatchdog();
  EXPECT_EQ(waitInput(false), 0u);
  queueInput(false);
  captured.clear();
  EXPECT_EQ(waitInput(true), 2048u);
  EXPECT_EQ(host.nowMs(), 150 + WaveDevices::SilentMs);
  for (std::size_t i = 1; i < captured.size(); ++i)  // sound, unbroken, not the reset's silence
    ASSERT_EQ(captured[i], frameMark(static_cast<std::uint16_t>(captured[0]) + i)) << i;
  EXPECT_EQ(calls(In, WaveCall::Reset), 1);
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(DeviceWait, StallIsWaitedOutWhileTheSoundCardDialogIsOpen) {
  audio.stall(In);
  form.SelectInputSoundDevice1Click();
  armWatchdog();
  host.at(1700, [this] { audio.resume(In); });  // longer than a device may stay silent

  EXPECT_EQ(waitInput(true), 2048u);
  EXPECT_EQ(host.nowMs(), 1800);      // 1700 ms + 92.9 ms, at the next poll
  EXPECT_EQ(form.DeviceTimedOut, 1);  // the watchdog fired and was not acted on
  EXPECT_EQ(calls(In, WaveCall::Reset), 0);
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
  audio.stall(Out);
  audio.failCall(Out, WaveCall::Start, WaveError);  // even a failed restart goes unreported
  form.LastDeviceResult = 12345;
  armWatchdog();

  dev().WaitOutputBufferA();
  EXPECT_EQ(host.nowMs(), WaveDevices::SilentMs);
  EXPECT_EQ(calls(Out, WaveCall::Reset), 1);
  EXPECT_EQ(calls(Out, WaveCall::Start), 1);
  EXPECT_TRUE(dev().OutputSide.HeaderB.done());
  EXPECT_EQ(form.LastDeviceResult, 12345u);
  EXPECT_TRUE(host.messages().empty());
}

// The sound card dialog, over two capture and two playback devices.
class SoundCardSelect : public Device {
 protected:
  SoundCardSelect() {
    audio.addDevice(In, "Line In");
    audio.addDevice(Out, "Headphones");
  }
  TSoundCardSelect& dialog() { return form.SoundCardSelect; }
  void up() { dialog().WaveUpDown.click(UpDownModel::Button::Up); }
};

TEST_F(SoundCardSelect, BrowsesTheDevicesOfItsSideAndStopsAtTheLast) {
  EXPECT_FALSE(dialog().Visible());
  form.SelectOutputSoundDevice1.click();
  EXPECT_TRUE(dialog().Visible());
  EXPECT_EQ(dialog().Window.caption(), "Output Sound Device");
  EXPECT_EQ(dialog().SoundCardManf.text(), "Simulated Output");
  EXPECT_EQ(dialog().SoundCardManf.fontColour(), clBlue);
  up();
  up();
  EXPECT_EQ(dialog().WaveUpDown.position(), 1);
  EXPECT_EQ(dialog().SoundCardManf.text(), "Headphones");
  EXPECT_EQ(form.OutputDeviceId, 0);  // browsing chooses nothing

  dialog().FormClose();
  form.SelectInputSoundDevice1.click();
  EXPECT_EQ(dialog().Window.caption(), "Input Sound Device");
  dialog().WaveUpDown.setPosition(7);
  dialog().SelectBtn.click();
  EXPECT_EQ(dialog().WaveUpDown.position(), 1);
  EXPECT_EQ(form.InputDeviceId, 1);
  EXPECT_EQ(dialog().SoundCardManf.text(), "Line In");
  EXPECT_EQ(dialog().SoundCardManf.fontColour(), clWindowText);

  // Opening the other menu item while it is visible keeps editing the first side.
  form.SelectOutputSoundDevice1Click();
  EXPECT_EQ(dialog().Window.caption(), "Input Sound Device");
  dialog().WaveUpDown.setPosition(0);
  dialog().SelectBtn.click();
  EXPECT_EQ(form.InputDeviceId, 0);
  EXPECT_EQ(form.OutputDeviceId, 0);
}

TEST_F(SoundCardSelect, RefusalRestoresTheStartingDeviceAndACompatibleChoiceClearsTheMessage) {
  for (const bool output : {false, true}) {
    SCOPED_TRACE(output ? "output" : "input");
    const WaveDirection side = output ? Out : In;
    audio.refuseFormats(side, 1);
    output ? form.SelectOutputSoundDevice1Click() : form.SelectInputSoundDevice1Click();
    up();
    dialog().SelectBtn.click();
    EXPECT_EQ(dialog().MessageLabel.text(), output ? "Sound output device not compatible" : "Sound input device not compatible");
    EXPECT_EQ(form.LastDeviceResult, WaveBadFormat);
    EXPECT_EQ(dialog().WaveUpDown.position(), 0);
    EXPECT_EQ(output ? form.OutputDeviceId : form.InputDeviceId, 0);
    EXPECT_EQ(dialog().SoundCardManf.text(), output ? "Simulated Output" : "Simulated Input");

    audio.setFormatCheck(side, 1, nullptr);
    up();
    dialog().SelectBtn.click();
    EXPECT_EQ(dialog().MessageLabel.text(), "");
    EXPECT_EQ(output ? form.OutputDeviceId : form.InputDeviceId, 1);
    dialog().FormClose();
  }
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(SoundCardSelect, TestingAFormatLeavesTheRunningDeviceAlone) {
  startCapture();
  queueInput(false);
  const WaveFormatEx running = dev().InputSide.DeviceFormat;
  form.WaveFormat = WaveFormatEx{2, 44100, 176400, 4, 16};
  form.InputBufferBytes = 16384;
  form.SelectInputSoundDevice1Click();
  dialog().SelectBtn.click();
  EXPECT_EQ(dev().InputSide.DeviceFormat, running);
  EXPECT_EQ(dev().InputSide.HeaderB.bufferLength, 2048u);
  EXPECT_TRUE(dev().InputSide.HeaderB.inQueue());
}
