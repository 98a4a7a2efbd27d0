#include <gtest/gtest.h>

#include <map>
#include <set>

#include "FormFixture.h"
#include "WavBytes.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

constexpr int Frames = 1024;  // one buffer at 11025 Hz, about 92.9 ms
constexpr int BufferMs = Frames * 1000 / 11025;

// Captured buffer k alternates +-(3000 + k); block k of a file alternates
// +-(1000 + k). Both have a zero mean, so with gain 1 and no filter every
// buffer comes out as it went in and tells where it came from.
std::int16_t captured(std::uint64_t frame, unsigned) {
  const auto m = static_cast<std::int16_t>(3000 + frame / Frames);
  return frame % 2 ? m : static_cast<std::int16_t>(-m);
}

class ActivityChange : public FormFixture {
 protected:
  ActivityChange() {
    startUp();
    audio.setSource(0, SimSoundSource::generator(captured));
  }

  // Block k of the file alternates +-(base + k).
  std::string markedFile(const std::string& name, int blocks, int base = 1000) {
    WavBytes w;
    const auto frames = static_cast<std::uint32_t>(blocks * Frames);
    w.header(1, 11025).raw("data").u32(frames * 2);
    for (std::uint32_t f = 0; f < frames; ++f) {
      const auto m = static_cast<std::int16_t>(base + f / Frames);
      w.u16(static_cast<std::uint16_t>(f % 2 ? m : -m));
    }
    const std::string path = dir.file(name);
    writeAll(path, w.bytes);
    return path;
  }

  // The file blocks the sink received, in order (the monitor's captured
  // buffers and silence left out).
  std::vector<int> playedFileBlocks() {
    const auto& s = audio.sink().samples();
    std::vector<int> ks;
    for (std::size_t off = 0; off + Frames <= s.size(); off += Frames) {
      const int v = std::abs(s[off + 1]);
      if (v >= 1000 && v < 2000) ks.push_back(v - 1000);
    }
    return ks;
  }

  // Every file written so far is complete: its header counts its data.
  void expectComplete(const std::string& path) {
    const auto bytes = readAll(path);
    ASSERT_GE(bytes.size(), 44u) << path;
    EXPECT_EQ(u32At(bytes, 4), bytes.size() - 8) << path;
    EXPECT_EQ(u32At(bytes, 40), bytes.size() - 44) << path;
  }

  void expectCleanStop() {
    EXPECT_EQ(form.ActivityState, ActivityStopped);
    EXPECT_TRUE(host.messages().empty()) << host.messages().front().text;
    EXPECT_EQ(host.terminateRequests(), 0);
    EXPECT_EQ(audio.openCount(), 0u) << "a device was left open";
  }
};

// What starts first (a transfer is a Record with File Transfer ticked),
// whether it is paused, and what the user starts next.
struct Change {
  const char* name;
  bool firstIsPlay;
  bool transfer;
  bool pauseFirst;
  bool secondIsPlay;
};

class ActivityChanges : public ActivityChange, public ::testing::WithParamInterface<Change> {};

}  // namespace

// Starting one activity over another (running or paused) ends the first
// completely, its file completed and its devices released, before the second
// opens anything; the second starts from the beginning, not from what the
// first left behind.
TEST_P(ActivityChanges, TheFirstEndsCompletelyAndTheSecondStartsAfresh) {
  const Change c = GetParam();
  const std::string first = dir.file("first.wav"), second = dir.file("second.wav");
  const std::string played = markedFile("play.wav", 12);
  if (c.transfer) {
    form.FileTransferCheckBox.click();
    host.queueFileChoice(markedFile("long.wav", 200, 2000));
  }
  host.queueFileChoice(c.firstIsPlay ? played : first);
  if (c.pauseFirst) host.after(700, [&] { form.PauseBtn.click(); });

  int secondStarted = 0;
  host.after(1000, [&] {
    ++secondStarted;
    if (c.secondIsPlay) {
      host.queueFileChoice(played);
      form.PlayBtn.click();
      return;
    }
    if (c.transfer) form.FileTransferCheckBox.click();
    host.queueFileChoice(second);
    host.after(1500, [&] { form.StopBtn.click(); });
    form.RecordBtn.click();
  });
  (c.firstIsPlay ? form.PlayBtn : form.RecordBtn).click();
  if (c.pauseFirst) {
    ASSERT_EQ(form.ActivityState, ActivityPaused);
    host.runFor(3000);  // the second click comes while paused, from the idle loop
  }
  EXPECT_EQ(secondStarted, 1);
  expectCleanStop();
  if (!c.firstIsPlay) expectComplete(first);
  if (c.secondIsPlay) {
    std::vector<int> all(12);
    for (int k = 0; k < 12; ++k) all[static_cast<std::size_t>(k)] = k;
    EXPECT_EQ(playedFileBlocks(), all) << "the file did not play once through from its start";
  } else {
    expectComplete(second);
    EXPECT_GT(readAll(second).size(), 44u + 8u * 2u * Frames) << "the second recording wrote little";
  }
}

INSTANTIATE_TEST_SUITE_P(AnyOrder, ActivityChanges,
                         ::testing::Values(Change{"PlayDuringARecording", false, false, false, true},
                                           Change{"RecordDuringPlayback", true, false, false, false},
                                           Change{"RecordAfterPausedPlayback", true, false, true, false},
                                           Change{"PlayAfterAPausedRecording", false, false, true, true},
                                           Change{"PlayAfterAPausedTransfer", false, true, true, true},
                                           Change{"RecordAfterAPausedTransfer", false, true, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A pause, whichever buffer the loop was on, loses nothing of what was
// captured before it: the buffer queued when it came is written on resume.
TEST_F(ActivityChange, AResumedRecordingWritesTheBufferThePauseLeftQueued) {
  for (const int pausedIn : {10, 11}) {  // waiting for buffer A, then for B
    SCOPED_TRACE(pausedIn);
    const std::string rec = dir.file("rec" + std::to_string(pausedIn) + ".wav");
    const std::int64_t start = host.nowMs();
    audio.setSource(0, SimSoundSource::generator(captured));
    host.queueFileChoice(rec);
    host.at(start + pausedIn * BufferMs + BufferMs / 2, [&] { form.PauseBtn.click(); });
    form.RecordBtn.click();
    ASSERT_EQ(form.ActivityState, ActivityPaused);
    host.runFor(1000);
    host.after(1000, [&] { form.StopBtn.click(); });
    form.RecordBtn.click();
    expectCleanStop();

    std::set<int> written;
    const auto bytes = readAll(rec);
    for (std::size_t off = 44; off + 2 * Frames <= bytes.size(); off += 2 * Frames)
      written.insert(std::abs(static_cast<std::int16_t>(bytes[off] | (bytes[off + 1] << 8))) - 3000);
    for (int k = 0; k <= pausedIn + 1; ++k) EXPECT_TRUE(written.count(k)) << "buffer " << k << " was lost";
  }
}

