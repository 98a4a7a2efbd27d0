#include <gtest/gtest.h>

#include <vector>

#include "DeviceFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

// Every captured sample tells the frame it was captured at.
std::int16_t frameMark(std::uint64_t frame) { return static_cast<std::int16_t>(frame & 0x7FFF); }

class DoubleBuffer : public DeviceFixture {
 protected:
  DoubleBuffer() {
    audio.setSource(0, SimSoundSource::generator([](std::uint64_t frame, unsigned) { return frameMark(frame); }));
  }

  // One pass of a capture loop: queue the other buffer, wait for this one
  // and keep what it holds. `busyMs` is the processing time after the wait.
  void pass(BufferLetter letter, int busyMs = 0) {
    queueInput(letter == BufferLetter::A ? BufferLetter::B : BufferLetter::A);
    armWatchdog();
    const std::uint32_t bytes = waitInput(letter);
    form.TimeoutTimer.setEnabled(false);
    const auto samples = inputSamples(letter, bytes);
    captured.insert(captured.end(), samples.begin(), samples.end());
    host.sleepMs(busyMs);
  }

  std::vector<std::int16_t> captured;
};

}  // namespace

TEST_F(DoubleBuffer, CapturesEverySampleOnceAndInOrderWhileTwoBuffersStayQueued) {
  startCapture();
  for (int i = 0; i < 20; ++i) pass(i % 2 ? BufferLetter::B : BufferLetter::A, 30);

  ASSERT_EQ(captured.size(), 20u * 1024);
  for (std::size_t i = 0; i < captured.size(); ++i) ASSERT_EQ(captured[i], frameMark(i)) << i;
  EXPECT_EQ(dev().GetInputPosition(), 2 * frameAt(0, host.nowMs()));
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(DoubleBuffer, OverrunLosesOnlyWhatArrivesWhileNoBufferIsQueued) {
  startCapture();
  pass(BufferLetter::A);
  pass(BufferLetter::B);
  // A pass far longer than a buffer: A, queued before the wait for B, fills;
  // then nothing is queued until the next pass queues B again.
  host.sleepMs(250);
  const std::uint64_t lostFrom = 3 * 1024;
  const std::uint64_t resumedAt = frameAt(0, host.nowMs());
  ASSERT_GT(resumedAt, lostFrom);
  for (int i = 0; i < 6; ++i) pass(i % 2 ? BufferLetter::B : BufferLetter::A, 20);

  ASSERT_EQ(captured.size(), 8u * 1024);
  std::vector<std::int16_t> expected;
  for (std::uint64_t f = 0; f < lostFrom; ++f) expected.push_back(frameMark(f));
  for (std::uint64_t f = resumedAt; expected.size() < captured.size(); ++f) expected.push_back(frameMark(f));
  EXPECT_EQ(captured, expected);
}

TEST_F(DoubleBuffer, PlaysEveryBufferInOrderThenSilence) {
  openPlayback();
  std::uint64_t next = 1;  // no zero in the sound, so silence stands out
  auto fill = [&](const std::unique_ptr<std::uint8_t[]>& buffer) {
    for (std::size_t i = 0; i < 1024; ++i, ++next) {
      buffer[2 * i] = static_cast<std::uint8_t>(next & 0xFF);
      buffer[2 * i + 1] = static_cast<std::uint8_t>((next >> 8) & 0x7F);
    }
  };
  fill(form.OutputBufferA);
  writeOutput(BufferLetter::A);
  fill(form.OutputBufferB);
  writeOutput(BufferLetter::B);
  for (int i = 0; i < 10; ++i) {
    const bool a = i % 2 == 0;
    armWatchdog();
    if (a) {
      dev().WaitOutputBufferA();
      dev().UnprepareOutputHeaderA();
      fill(form.OutputBufferA);
      writeOutput(BufferLetter::A);
    } else {
      dev().WaitOutputBufferB();
      dev().UnprepareOutputHeaderB();
      fill(form.OutputBufferB);
      writeOutput(BufferLetter::B);
    }
  }
  armWatchdog();
  dev().WaitOutputBufferA();
  armWatchdog();
  dev().WaitOutputBufferB();
  form.TimeoutTimer.setEnabled(false);
  host.sleepMs(100);
  dev().ResetOutputDevice();

  const std::vector<std::int16_t>& played = audio.sink().samples();
  ASSERT_GT(played.size(), 12u * 1024);
  for (std::size_t i = 0; i < 12u * 1024; ++i) ASSERT_EQ(played[i], static_cast<std::int16_t>(i + 1)) << i;
  for (std::size_t i = 12u * 1024; i < played.size(); ++i) ASSERT_EQ(played[i], 0) << i;
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(DoubleBuffer, OpeningAgainReleasesADeviceLeftRunning) {
  // A run that ended without closing its device (stopped while paused).
  startCapture();
  queueInput(BufferLetter::B);
  host.sleepMs(40);
  const WaveHandle old = dev().InputSide.Handle;

  startCapture();
  EXPECT_FALSE(audio.isOpen(old));
  EXPECT_NE(dev().InputSide.Handle, old);
  pass(BufferLetter::A);
  pass(BufferLetter::B);
  // The new device alone fills the buffers (it counts its frames from its own opening).
  ASSERT_EQ(captured.size(), 2u * 1024);
  for (std::size_t i = 0; i < captured.size(); ++i) ASSERT_EQ(captured[i], frameMark(i)) << i;
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(DoubleBuffer, ClosingTheWindowReleasesTheDevicesBeforeTheBuffersGo) {
  startCapture();
  openPlayback();
  writeOutput(BufferLetter::A);
  form.FormDestroy();
  EXPECT_EQ(audio.openCount(), 0u);
}
