#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "FormFixture.h"
#include "Marked.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class PlayLoop : public FormFixture {
 protected:
  PlayLoop() { startUp(); }

  // The blocks the sink received, as {block number, gain seen}; silence is {-1, 0}.
  std::vector<std::pair<int, int>> playedBlocks() {
    const auto& s = audio.sink().samples();
    std::vector<std::pair<int, int>> out;
    for (std::size_t off = 0; off + Frames <= s.size(); off += Frames) {
      const int v = std::abs(s[off + 1]), gain = v >= 6000 ? 2 : 1;
      out.push_back(v == 0 ? std::pair{-1, 0} : std::pair{v / gain - 3000, gain});
    }
    return out;
  }
  std::vector<int> playedNumbers() {
    std::vector<int> ks;
    for (auto [k, gain] : playedBlocks()) if (k >= 0) ks.push_back(k);
    return ks;
  }
};

}  // namespace

TEST_F(PlayLoop, SilenceThenTheRawFirstBlockThenProcessedBlocksUntilTheEndStopsIt) {
  host.queueFileChoice(markedWav(dir.file("play.wav"), 10, allLoud, 400));  // the last 400 frames: under half a block
  form.OutputUpDnGain.setPosition(7);
  form.OutputUpDnGainClick();  // gain 2
  form.PlayBtn.click();        // runs to the end of the data by itself
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  EXPECT_EQ(form.InputFileOpen, 0);
  EXPECT_EQ(form.PlayScrollBar.position(), 0);
  EXPECT_FALSE(form.PlayLED.checked());
  const auto blocks = playedBlocks();
  ASSERT_GE(blocks.size(), 11u);
  EXPECT_EQ(blocks[0].first, -1);                     // a block of silence first
  EXPECT_EQ(blocks[1], (std::pair<int, int>{0, 1}));  // the first block as it is in the file
  for (int k = 1; k < 10; ++k) EXPECT_EQ(blocks[std::size_t(k + 1)], (std::pair<int, int>(k, 2))) << k;
  for (std::size_t i = 11; i < blocks.size(); ++i) EXPECT_EQ(blocks[i].first, -1) << "the short tail is not played";
}

TEST_F(PlayLoop, PauseAndResumeGoOnFromTheSamePlace) {
  host.queueFileChoice(markedWav(dir.file("play.wav"), 40));
  host.after(1000, [&] { form.PauseBtn.click(); });
  form.PlayBtn.click();
  EXPECT_EQ(form.ActivityState, ActivityPaused);
  EXPECT_EQ(form.InputFileOpen, 1);
  host.runFor(2000);
  form.PlayBtn.click();  // resumes and plays to the end
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  EXPECT_TRUE(host.messages().empty());
  const auto ks = playedNumbers();
  ASSERT_GE(ks.size(), 38u);  // the block read just before the pause is skipped, no more
  EXPECT_TRUE(std::is_sorted(ks.begin(), ks.end()));
  EXPECT_EQ(ks.back(), 39);
}

// Record clicked during playback ends it there and then, not once the file has played out.
TEST_F(PlayLoop, RecordDuringPlaybackStopsItAtOnce) {
  host.queueFileChoice(markedWav(dir.file("play.wav"), 40));
  host.after(1000, [&] {
    host.queueFileChoice(dir.file("rec.wav"));
    form.RecordBtn.click();
  });
  host.after(2000, [&] { form.StopBtn.click(); });
  host.after(3000, [&] { form.StopBtn.click(); });  // ends a recording started late
  form.PlayBtn.click();
  EXPECT_LE(playedNumbers().size(), static_cast<std::size_t>(1000 / BufferMs) + 1);
  EXPECT_FALSE(buffersIn(dir.file("rec.wav")).empty()) << "the recording did not start";
}

TEST_F(PlayLoop, ScrollingWhilePlayingPausesShowsTheTimeAndResumesASecondAfterTheLastScroll) {
  host.queueFileChoice(markedWav(dir.file("play.wav"), 200));  // about 18.6 s
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
  const auto ks = playedNumbers();  // after the seek the blocks come from the middle of the file
  EXPECT_TRUE(std::any_of(ks.begin(), ks.end(), [](int k) { return k >= 99 && k <= 101; }));

  form.PlayScrollBar.setEnabled(true);  // while stopped a scroll only moves the thumb back
  form.PlayScrollBar.scroll(400);
  EXPECT_EQ(form.PlayScrollBar.position(), 0);
  EXPECT_EQ(form.ActivityState, ActivityStopped);
}

TEST_F(PlayLoop, SeekingToEitherEndOfALongFile) {
  // An hour and a quarter of mono sound: the file is sparse, only its header is written.
  const std::string path = dir.file("long.wav");
  const std::uint32_t bytes = 75u * 60u * 11025u * 2u;
  WavBytes w;
  w.header(1, 11025).raw("data").u32(bytes);
  writeAll(path, w.bytes);
  std::filesystem::resize_file(path, 44u + bytes);
  std::ofstream(path, std::ios::binary | std::ios::app).write("LIST\x04\0\0\0INFO", 12);  // metadata after the sound
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

// A file opened from the menu while stopped is kept, and Play takes its
// format. A seek in stereo keeps left and right in place.
TEST_F(PlayLoop, AFileOpenedFromTheMenuPlaysAtItsOwnRateAndASeekKeepsItsChannels) {
  host.queueFileChoice(markedWav(dir.file("play.wav"), 60, allLoud, 0, 2, 22050));
  form.OpenInput1Click();
  EXPECT_EQ(form.WaveFormat.SampleRate, 11025u);
  // 60 blocks of 4096 bytes: position 101 gives an offset that is even but not a whole number of frames.
  host.after(800, [&] { form.PlayScrollBar.scroll(101); });
  host.after(3000, [&] { form.StopBtn.click(); });
  form.PlayBtn.click();
  host.runFor(2500);
  EXPECT_EQ(form.WaveFormat.SampleRate, 22050u);
  EXPECT_EQ(form.WaveFormat.Channels, 2);
  EXPECT_TRUE(form.N22050Hz1.checked());
  EXPECT_EQ(form.OutputBufferBytes, 8192);
  EXPECT_TRUE(host.messages().empty());
  const auto& s = audio.sink().samples();
  ASSERT_GT(s.size(), 20000u);
  // Left is minus right in every frame that carries sound, before and after the seek.
  for (std::size_t i = 0; i + 1 < s.size(); i += 2) ASSERT_EQ(s[i], -s[i + 1]) << "frame " << i / 2;
}

TEST_F(PlayLoop, InputBlocksAreReadUpToTheEndOfTheDataAndNeverBeyondIt) {
  form.formats.designFilter = [](float, float) {};
  // 3000 bytes of sound followed by a metadata chunk that must never be played.
  WavBytes w;
  w.header(1, 11025).raw("data").u32(3000).fill(3000, 0x21).chunk("LIST", 64, 0x7F);
  writeAll(dir.file("tail.wav"), w.bytes);
  host.queueFileChoice(dir.file("tail.wav"));
  form.OpenInput1Click();
  ASSERT_EQ(form.InputFileOpen, 1);
  std::vector<std::uint8_t> block(2048, 0xAA);
  EXPECT_EQ(form.engine.ReadInputBlock(block.data(), 2048), 2048u);
  EXPECT_EQ(block[2047], 0x21);
  std::fill(block.begin(), block.end(), 0xAA);  // an older block must not survive
  EXPECT_EQ(form.engine.ReadInputBlock(block.data(), 2048), 952u);
  EXPECT_EQ(block[951], 0x21);
  for (std::size_t i = 952; i < block.size(); ++i) ASSERT_EQ(block[i], 0) << i;
  EXPECT_EQ(form.engine.ReadInputBlock(block.data(), 2048), 0u);
  for (std::uint8_t b : block) ASSERT_EQ(b, 0);
  form.StopBtnClick();  // no file: silence
  std::fill(block.begin(), block.end(), 0xAA);
  EXPECT_EQ(form.engine.ReadInputBlock(block.data(), 2048), 0u);
  EXPECT_EQ(block[0], 0);
}
