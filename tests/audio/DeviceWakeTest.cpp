#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <vector>

#include "FormFixture.h"
#include "audio/DeviceFeed.h"

using namespace quorvane;

namespace {

// The eventfd's count, read and cleared: how many wake-ups came.
std::uint64_t wakes(int fd) {
  std::uint64_t n = 0;
  return ::read(fd, &n, sizeof n) == sizeof n ? n : 0;
}

struct WakeFd {
  int fd = ::eventfd(0, EFD_NONBLOCK);
  ~WakeFd() { ::close(fd); }
};

}  // namespace

// The device's thread wakes the program once per request, when it has what
// the program asked for, and when its stream ends on its own.
TEST(DeviceWake, TheDeviceSideWakesOnceWhenTheAskedForSoundHasCome) {
  WakeFd w;
  DeviceFeed feed(4000, 4);
  feed.wakeFd = w.fd;
  std::vector<std::uint8_t> chunk(400);
  feed.capture(chunk.data(), chunk.size());
  feed.wakeAt = 1000;
  feed.capture(chunk.data(), chunk.size());
  EXPECT_EQ(wakes(w.fd), 0u);  // 800 of 1000
  feed.capture(chunk.data(), 200);  // just there
  EXPECT_EQ(wakes(w.fd), 1u);
  EXPECT_EQ(feed.wakeAt.load(), 0u);

  feed.wakeAt = 300;  // playback: by the bytes played
  feed.play(chunk.data(), 200);
  EXPECT_EQ(wakes(w.fd), 0u);
  feed.play(chunk.data(), 100);
  EXPECT_EQ(wakes(w.fd), 1u);
  feed.finished();
  EXPECT_EQ(wakes(w.fd), 1u);
}

class DeviceWakeForm : public test::FormFixture {};

// The program asks for what the header it waits on still lacks, counted from
// what has left the ring already, whatever it took out of the ring between two
// requests; sound already there wakes it at once.
TEST_F(DeviceWakeForm, TheRequestCountsWhatTheWaitedBufferStillLacks) {
  WakeFd w;
  audio.setWakeFd(w.fd);
  WaveFormatEx format;  // 11025 Hz mono: 22050 bytes a second
  WaveHandle h = 0;
  ASSERT_EQ(audio.open(WaveDirection::Input, 0, format, h), 0u);
  std::vector<std::uint8_t> data(2000);
  WaveBufferHeader header{};
  header.data = data.data();
  header.bufferLength = 2000;
  ASSERT_EQ(audio.prepare(h, header), 0u);
  ASSERT_EQ(audio.queue(h, header), 0u);
  ASSERT_EQ(audio.start(h), 0u);
  host.sleepMs(40);
  audio.update();
  EXPECT_EQ(header.recorded(), 882u);
  ASSERT_TRUE(audio.armWake(h));  // for 1118 bytes more
  host.sleepMs(30);
  audio.update();  // as a handler run during the wait may
  EXPECT_EQ(wakes(w.fd), 0u);
  host.sleepMs(30);
  audio.update();
  EXPECT_EQ(wakes(w.fd), 1u);
  EXPECT_TRUE(header.done());
  ASSERT_EQ(audio.queue(h, header), 0u);
  host.sleepMs(100);  // a whole buffer already in the ring
  ASSERT_TRUE(audio.armWake(h));
  EXPECT_EQ(wakes(w.fd), 1u);
  audio.reset(h);
  audio.close(h);
}

// A muted monitor's stream stops, and starts again when Mute is unticked.
TEST_F(DeviceWakeForm, UnmutingDuringARecordingBringsTheMonitorBack) {
  startUp();
  audio.setSource(0, SimSoundSource::tone(440, 8000));
  host.queueFileChoice(dir.file("monitored.wav"));
  std::size_t atMute = 0, atUnmute = 0;
  host.after(1000, [&] {
    form.MuteCheckBox.click();
    atMute = audio.sink().samples().size();
  });
  host.after(2000, [&] {
    atUnmute = audio.sink().samples().size();
    form.MuteCheckBox.click();
  });
  host.after(3000, [this] { form.StopBtn.click(); });
  form.RecordBtn.click();
  EXPECT_LE(atUnmute, atMute + 2 * 1024);  // what was on its way at the click
  EXPECT_GT(audio.sink().samples().size(), atUnmute + 8000);
}
