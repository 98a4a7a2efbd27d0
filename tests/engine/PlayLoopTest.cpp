#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Marked.h"

using namespace quorvane;
using namespace quorvane::test;

using PlayLoop = MarkedForm;

// Gain 2 on a file of ten blocks and under half a block more, paused on the
// way: a Play after the pause goes on where the pause left the file, and the
// end of the data stops it.
TEST_F(PlayLoop, SilenceThenTheRawFirstBlockThenProcessedBlocksUntilTheEndStopsIt) {
  host.queueFileChoice(markedWav(dir.file("play.wav"), 10, allLoud, 400));  // the last 400 frames: under half a block
  form.OutputUpDnGain.setPosition(7);
  form.OutputUpDnGainClick();  // gain 2
  host.after(500, [&] { form.PauseBtn.click(); });
  form.PlayBtn.click();
  EXPECT_EQ(std::tuple(form.ActivityState, form.InputFileOpen), std::tuple(ActivityPaused, 1));
  host.runFor(2000);
  form.PlayBtn.click();  // resumes and plays to the end
  EXPECT_EQ(std::tuple(form.ActivityState, form.InputFileOpen, form.PlayScrollBar.position(), form.PlayLED.checked()),
            std::tuple(ActivityStopped, 0, 0, false));
  EXPECT_TRUE(host.messages().empty());
  const auto levels = levelsPlayed();
  EXPECT_EQ(levels.front(), 0);  // a block of silence first
  std::vector<int> sounding;
  std::copy_if(levels.begin(), levels.end(), std::back_inserter(sounding), [](int m) { return m != 0; });
  // Block k is 3000 + k: the first block and the first after the pause as they are in the file, the others
  // doubled; block 6, read just before the pause, is skipped; block 10, the short tail, is not played.
  EXPECT_EQ(sounding, (std::vector<int>{3000, 6002, 6004, 6006, 6008, 6010, 3007, 6016, 6018}));
}

// Record clicked during playback ends it there and then, not once the file has played out.
// The file is quiet (1 + k): the sink tells its blocks from the loud sound the recording monitors.
TEST_F(PlayLoop, RecordDuringPlaybackStopsItAtOnce) {
  host.queueFileChoice(markedWav(dir.file("play.wav"), 40, [](int) { return false; }));
  host.after(1000, [&] {
    host.queueFileChoice(dir.file("rec.wav"));
    form.RecordBtn.click();
  });
  host.after(2000, [&] { form.StopBtn.click(); });
  host.after(3000, [&] { form.StopBtn.click(); });  // ends a recording started late
  form.PlayBtn.click();
  const auto levels = levelsPlayed();
  EXPECT_LE(std::count_if(levels.begin(), levels.end(), [](int m) { return m != 0 && m < 3000; }), 1000 / BufferMs + 1);
  EXPECT_FALSE(buffersIn(dir.file("rec.wav")).empty()) << "the recording did not start";
}

// A file opened from the menu while stopped is kept, and Play takes its
// format. A scroll while playing pauses and shows the time there; the pause
// timer resumes from there a second after the last scroll (the loop runs
// inside the timer). A seek in stereo keeps left and right in place.
TEST_F(PlayLoop, ScrollingWhilePlayingPausesShowsTheTimeAndResumesASecondAfterTheLastScroll) {
  host.queueFileChoice(markedWav(dir.file("play.wav"), 200, allLoud, 0, 2, 22050));  // about 9.3 s
  form.OpenInput1Click();
  EXPECT_EQ(form.WaveFormat.SampleRate, 11025u);
  host.after(1000, [&] {
    form.PlayScrollBar.scroll(300);  // 30 % of 9.3 s
    EXPECT_EQ(std::tuple(form.ActivityState, form.TimerMemo.text()), std::tuple(ActivityPaused, "00:00:02"));
  });
  // Restarts the one-second wait; 497 thousandths of the data is even, but not a whole number of frames.
  host.after(1600, [&] { form.PlayScrollBar.scroll(503); });
  host.after(2500, [&] { EXPECT_EQ(form.ActivityState, ActivityPaused); });
  host.after(2700, [&] { EXPECT_EQ(form.ActivityState, ActivityPlaying); });
  host.after(3500, [&] { form.StopBtn.click(); });
  form.PlayBtn.click();  // plays until the pause...
  host.runFor(2000);     // ...and the pause timer brings it back
  EXPECT_EQ(std::tuple(form.ActivityState, form.WaveFormat.SampleRate, form.WaveFormat.Channels, form.OutputBufferBytes,
                       form.N22050Hz1.checked()),
            std::tuple(ActivityStopped, 22050u, 2, 8192, true));
  EXPECT_TRUE(host.messages().empty());
  const auto& s = audio.sink().samples();
  ASSERT_GT(s.size(), 20000u);
  // Left is minus right in every frame that carries sound, before and after the seek.
  for (std::size_t i = 0; i + 1 < s.size(); i += 2) ASSERT_EQ(s[i], -s[i + 1]) << "frame " << i / 2;
  // After the seek the sound comes from the middle of the file.
  EXPECT_TRUE(std::any_of(s.begin(), s.end(), [](int v) { return std::abs(v) >= 3099 && std::abs(v) <= 3101; }));

  form.PlayScrollBar.setEnabled(true);  // while stopped a scroll only moves the thumb back
  form.PlayScrollBar.scroll(400);
  EXPECT_EQ(std::tuple(form.PlayScrollBar.position(), form.ActivityState), std::tuple(0, ActivityStopped));
}

// An hour and a quarter of mono sound, metadata after it: the file is sparse,
// only its header and its last 3000 bytes of sound are written. A seek to either
// end shows the time there and moves the file to it. Each read fills the whole
// block: what is left of the sound, then silence, never the metadata.
TEST_F(PlayLoop, SeekingToEitherEndOfALongFileAndReadingUpToTheEndOfItsDataAndNeverBeyond) {
  const std::string path = dir.file("long.wav");
  const std::uint32_t bytes = 75u * 60u * 11025u * 2u;
  writeAll(path, WavBytes().header(1, 11025).raw("data").u32(bytes).bytes);
  std::filesystem::resize_file(path, 44u + bytes - 3000);
  const auto tail = WavBytes().fill(3000, 0x21).chunk("LIST", 64, 0x7F).bytes;
  std::ofstream(path, std::ios::binary | std::ios::app)
      .write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
  host.queueFileChoice(path);
  form.OpenInput1Click();
  ASSERT_EQ(form.InputFileOpen, 1);
  form.ActivityState = ActivityPaused;
  form.PlayScrollBar.setEnabled(true);
  for (const auto& [position, time, remaining] : {std::tuple{1000, "01:15:00", 0u}, {0, "00:00:00", bytes}}) {
    form.PlayScrollBar.scroll(position);
    EXPECT_EQ(form.TimerMemo.text(), time);
    EXPECT_EQ(form.PlayBytesRemaining, remaining);
    EXPECT_EQ(form.InputFile->tell(), 44u + bytes - remaining);
  }

  const auto expectRead = [&](std::uint32_t sound) {
    std::vector<std::uint8_t> block(2048, 0xAA), want(sound, 0x21);  // an older block must not survive
    want.resize(2048, 0);
    EXPECT_EQ(form.engine.ReadInputBlock(block.data(), 2048), sound);
    EXPECT_EQ(block, want) << sound;
  };
  ASSERT_TRUE(form.InputFile->seek(44u + bytes - 3000));
  for (const std::uint32_t sound : {2048u, 952u, 0u}) expectRead(sound);
  form.StopBtnClick();  // no file: silence
  expectRead(0);
}
