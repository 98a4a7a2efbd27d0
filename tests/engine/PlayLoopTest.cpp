#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "FormFixture.h"
#include "WavBytes.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

constexpr int Frames = 1024;  // one block at 11025 Hz

class PlayLoop : public FormFixture {
 protected:
  PlayLoop() { startUp(); }

  // A file whose block k alternates +-(1000 + k): mean zero, so the DC step
  // leaves it alone, and every played block tells which block it was.
  std::string markedFile(int blocks, int extraFrames = 0, unsigned channels = 1) {
    WavBytes w;
    const std::uint32_t frames = static_cast<std::uint32_t>(blocks * Frames + extraFrames);
    w.header(static_cast<std::uint16_t>(channels), 11025).raw("data").u32(frames * 2 * channels);
    for (std::uint32_t f = 0; f < frames; ++f) {
      const auto m = static_cast<std::int16_t>(1000 + f / Frames);
      for (unsigned c = 0; c < channels; ++c) {
        // In stereo the right channel is the negative of the left.
        const std::int16_t v = f % 2 ? m : static_cast<std::int16_t>(-m);
        w.u16(static_cast<std::uint16_t>(c == 0 ? v : -v));
      }
    }
    const std::string path = dir.file("play.wav");
    writeAll(path, w.bytes);
    return path;
  }

  // The blocks the sink received, as (block number or -1 for silence, gain seen).
  std::vector<std::pair<int, int>> playedBlocks() {
    const auto& s = audio.sink().samples();
    std::vector<std::pair<int, int>> out;
    for (std::size_t off = 0; off + Frames <= s.size(); off += Frames) {
      const int v = std::abs(s[off + 1]);
      if (v == 0) {
        out.push_back({-1, 0});
        continue;
      }
      const int gain = v >= 2000 ? 2 : 1;
      out.push_back({v / gain - 1000, gain});
    }
    return out;
  }
};

}  // namespace

TEST_F(PlayLoop, SilenceThenTheRawFirstBlockThenProcessedBlocksUntilTheEndStopsIt) {
  host.queueFileChoice(markedFile(10, 400));  // the last 400 frames: under half a block
  form.OutputUpDnGain.setPosition(7);
  form.OutputUpDnGainClick();  // gain 2
  form.PlayBtn.click();        // runs to the end of the data by itself
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  EXPECT_EQ(form.InputFileOpen, 0);
  EXPECT_EQ(form.PlayScrollBar.position(), 0);
  EXPECT_FALSE(form.PlayLED.checked());

  const auto blocks = playedBlocks();
  ASSERT_GE(blocks.size(), 11u);
  EXPECT_EQ(blocks[0].first, -1);                      // a block of silence first
  EXPECT_EQ(blocks[1], (std::pair<int, int>{0, 1}));   // the first block as it is in the file
  for (int k = 1; k < 10; ++k) EXPECT_EQ(blocks[static_cast<std::size_t>(k + 1)], (std::pair<int, int>(k, 2))) << k;
  for (std::size_t i = 11; i < blocks.size(); ++i) EXPECT_EQ(blocks[i].first, -1) << "the short tail is not played";
}

TEST_F(PlayLoop, PlayWithNoFileAsksForOneAndACancelLeavesTheProgramStopped) {
  form.PlayBtn.click();
  ASSERT_EQ(host.fileRequests().size(), 1u);
  EXPECT_EQ(host.fileRequests()[0].title, "Input Wave File Select");
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  EXPECT_EQ(audio.calls(WaveDirection::Output, WaveCall::Open), 0);
}

TEST_F(PlayLoop, PauseAndResumeGoOnFromTheSamePlace) {
  host.queueFileChoice(markedFile(40));
  host.after(1000, [&] { form.PauseBtn.click(); });
  form.PlayBtn.click();
  EXPECT_EQ(form.ActivityState, ActivityPaused);
  EXPECT_EQ(form.StatusMemo.text(), "Current Activity = Paused");
  EXPECT_EQ(form.InputFileOpen, 1);
  host.runFor(2000);
  form.PlayBtn.click();  // resumes and plays to the end
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  EXPECT_TRUE(host.messages().empty());
  std::vector<int> ks;
  for (auto [k, gain] : playedBlocks())
    if (k >= 0) ks.push_back(k);
  ASSERT_FALSE(ks.empty());
  EXPECT_TRUE(std::is_sorted(ks.begin(), ks.end()));
  EXPECT_EQ(ks.back(), 39);
  // The block read just before the pause is skipped, no more.
  EXPECT_GE(ks.size(), 38u);
}

TEST_F(PlayLoop, ScrollingWhilePlayingPausesShowsTheTimeAndResumesASecondAfterTheLastScroll) {
  host.queueFileChoice(markedFile(200));  // about 18.6 s
  std::int64_t resumedAt = -1;
  host.after(1000, [&] {
    form.PlayScrollBar.scroll(300);
    EXPECT_EQ(form.ActivityState, ActivityPaused);
    EXPECT_EQ(form.TimerMemo.text(), "00:00:05");  // 30 % of 18.6 s
  });
  host.after(1600, [&] { form.PlayScrollBar.scroll(500); });  // restarts the one-second wait
  host.after(2500, [&] { EXPECT_EQ(form.ActivityState, ActivityPaused); });
  host.after(2700, [&] {
    EXPECT_EQ(form.ActivityState, ActivityPlaying);
    resumedAt = host.nowMs();
  });
  host.after(3500, [&] { form.StopBtn.click(); });
  form.PlayBtn.click();  // plays until the pause...
  host.runFor(2000);     // ...and the pause timer brings it back (the loop runs inside the timer)
  EXPECT_GE(resumedAt, 0);
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  std::vector<int> ks;
  for (auto [k, gain] : playedBlocks())
    if (k >= 0) ks.push_back(k);
  // After the seek the blocks come from the middle of the file.
  EXPECT_TRUE(std::any_of(ks.begin(), ks.end(), [](int k) { return k >= 99 && k <= 101; }));
}

TEST_F(PlayLoop, ScrollingWhileStoppedOnlyMovesTheThumbBack) {
  form.PlayScrollBar.setEnabled(true);
  form.PlayScrollBar.scroll(400);
  EXPECT_EQ(form.PlayScrollBar.position(), 0);
  EXPECT_EQ(form.ActivityState, ActivityStopped);
}

TEST_F(PlayLoop, SeekingToEitherEndOfALongFile) {
  // An hour and a quarter of mono sound: the file is sparse, only its header is written.
  const std::string path = dir.file("long.wav");
  const std::uint32_t bytes = 75u * 60u * 11025u * 2u;
  {
    WavBytes w;
    w.header(1, 11025).raw("data").u32(bytes);
    writeAll(path, w.bytes);
    std::filesystem::resize_file(path, 44u + bytes);
    std::ofstream tail(path, std::ios::binary | std::ios::app);  // metadata after the sound
    tail.write("LIST\x04\0\0\0INFO", 12);
  }
  host.queueFileChoice(path);
  form.ActivityState = ActivitySelectingInput;
  form.OpenInput1Click();
  ASSERT_EQ(form.InputFileOpen, 1);
  form.ActivityState = ActivityPaused;
  form.PlayScrollBar.setEnabled(true);
  form.PlayScrollBar.scroll(1000);
  EXPECT_EQ(form.PlayBytesRemaining, 0);
  EXPECT_EQ(form.TimerMemo.text(), "01:15:00");
  EXPECT_EQ(form.InputFile->tell(), 44u + bytes);
  form.PlayScrollBar.scroll(0);
  EXPECT_EQ(form.TimerMemo.text(), "00:00:00");
  EXPECT_EQ(form.PlayBytesRemaining, bytes);
  EXPECT_EQ(form.InputFile->tell(), 44u);
}

TEST_F(PlayLoop, ASeekInStereoKeepsLeftAndRightInPlace) {
  host.queueFileChoice(markedFile(60, 0, 2));
  host.after(800, [&] {
    // 60 blocks of 4096 bytes: position 101 gives an offset that is even
    // but not a whole number of frames.
    form.PlayScrollBar.scroll(101);
  });
  host.after(3000, [&] { form.StopBtn.click(); });
  form.PlayBtn.click();
  host.runFor(2500);
  const auto& s = audio.sink().samples();
  ASSERT_GT(s.size(), 20000u);
  // Left is minus right in every frame that carries sound, before and after the seek.
  for (std::size_t i = 0; i + 1 < s.size(); i += 2) ASSERT_EQ(s[i], -s[i + 1]) << "frame " << i / 2;
}

TEST_F(PlayLoop, AFileOpenedFromTheMenuPlaysAtItsOwnRate) {
  WavBytes w;
  w.header(2, 22050).raw("data").u32(20 * 4096).fill(20 * 4096, 0x10);
  const std::string path = dir.file("fast.wav");
  writeAll(path, w.bytes);
  host.queueFileChoice(path);
  form.OpenInput1Click();  // while stopped: kept, not yet adopted
  EXPECT_EQ(form.WaveFormat.SampleRate, 11025u);
  form.PlayBtn.click();
  EXPECT_EQ(form.WaveFormat.SampleRate, 22050u);
  EXPECT_EQ(form.WaveFormat.Channels, 2);
  EXPECT_TRUE(form.N22050Hz1.checked());
  EXPECT_EQ(form.OutputBufferBytes, 8192);
  EXPECT_TRUE(host.messages().empty());
}
