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
  DoubleBuffer() { audio.setSource(0, SimSoundSource::generator([](std::uint64_t f, unsigned) { return frameMark(f); })); }

  // One pass of a capture loop: queue the other buffer, wait for this one,
  // keep its sound, then spend busyMs processing it.
  void pass(bool a, int busyMs = 0) {
    queueInput(!a);
    armWatchdog();
    waitInput(a, &captured);
    form.TimeoutTimer.setEnabled(false);
    host.sleepMs(busyMs);
  }

  std::vector<std::int16_t> captured;
};

}  // namespace

TEST_F(DoubleBuffer, CapturesEverySampleOnceAndInOrderWhileTwoBuffersStayQueued) {
  startCapture();
  for (int i = 0; i < 20; ++i) pass(i % 2 == 0, 30);
  ASSERT_EQ(captured.size(), 20u * 1024);
  for (std::size_t i = 0; i < captured.size(); ++i) ASSERT_EQ(captured[i], frameMark(i)) << i;
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
    const std::size_t kept = busyMs < 4000 ? captured.size() : late + 4 * 11025;
    for (std::size_t i = 0; i < kept; ++i) ASSERT_EQ(captured[i], frameMark(i)) << i;
    if (kept < captured.size()) {
      EXPECT_NE(captured[kept], frameMark(kept));
    }
    EXPECT_EQ(audio.soundLoss().overruns > 0, busyMs > 4000);
    EXPECT_EQ(captured.size(), 58u * 1024);
  }
}

TEST_F(DoubleBuffer, PlaysEveryBufferInOrderThenSilence) {
  std::vector<std::int16_t> block(1024);
  std::int16_t next = 1;  // no zero in the sound, so silence stands out
  auto fresh = [&] {
    for (auto& v : block) v = next++;
    return &block;
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
  ASSERT_EQ(captured.size(), 2u * 1024);
  for (std::size_t i = 0; i < captured.size(); ++i) ASSERT_EQ(captured[i], frameMark(i)) << i;
  EXPECT_TRUE(host.messages().empty());

  form.FormDestroy();  // before the buffers go, so do the devices
  EXPECT_EQ(audio.openCount(), 0u);
}
