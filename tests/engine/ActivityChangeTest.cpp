#include <gtest/gtest.h>

#include <set>

#include "Marked.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

// Captured buffers are loud (3000 + k), played files quiet (1 + k): the sink
// tells the monitor's sound from the file's.
class ActivityChange : public MarkedForm {
 protected:
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
  bool firstIsPlay, transfer, pauseFirst, secondIsPlay;
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
  const std::string played = markedWav(dir.file("play.wav"), 12, [](int) { return false; });
  if (c.transfer) {
    form.FileTransferCheckBox.click();
    host.queueFileChoice(markedWav(dir.file("long.wav"), 200));
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
    record(second, 1500);
  });
  (c.firstIsPlay ? form.PlayBtn : form.RecordBtn).click();
  if (c.pauseFirst) {
    ASSERT_EQ(form.ActivityState, ActivityPaused);
    host.runFor(3000);  // the second click comes while paused, from the idle loop
  }
  EXPECT_EQ(secondStarted, 1);
  expectCleanStop();
  if (!c.firstIsPlay) buffersIn(first);  // complete: its header counts its data
  if (c.secondIsPlay) {
    std::vector<int> blocks;  // the file's blocks the sink received, in order
    const auto& s = audio.sink().samples();
    for (std::size_t off = 0; off + Frames <= s.size(); off += Frames)
      if (s[off + 1] != 0 && std::abs(s[off + 1]) < 3000) blocks.push_back(markerOf(s[off + 1]));
    EXPECT_EQ(blocks, range(0, 12)) << "the file did not play once through from its start";
  } else {
    EXPECT_GT(buffersIn(second).size(), 8u) << "the second recording wrote little";
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
// captured before it: the buffer queued when it came is written on resume,
// on the devices the pause kept open, and nothing is written twice.
TEST_F(ActivityChange, AResumedRecordingWritesTheBufferThePauseLeftQueued) {
  for (const int pausedIn : {10, 11}) {  // waiting for buffer A, then for B
    SCOPED_TRACE(pausedIn);
    const std::string rec = dir.file("rec" + std::to_string(pausedIn) + ".wav");
    const std::int64_t start = host.nowMs();
    const auto opens = [this] {
      return audio.calls(WaveDirection::Input, WaveCall::Open) + audio.calls(WaveDirection::Output, WaveCall::Open);
    };
    const int opensBefore = opens();
    host.at(start + static_cast<std::int64_t>((pausedIn + 0.5) * BufferMs), [&] { form.PauseBtn.click(); });
    record(rec, 1000000);
    ASSERT_EQ(form.ActivityState, ActivityPaused);
    EXPECT_EQ(form.StatusMemo.text(), "Current Activity = Paused");
    EXPECT_EQ(form.OutputFileOpen, 1);
    const auto bytesAtPause = form.OutputDataBytes;
    host.runFor(1000);
    host.after(1000, [&] { form.StopBtn.click(); });
    form.RecordBtn.click();
    expectCleanStop();
    EXPECT_EQ(opens(), opensBefore + 2);
    EXPECT_GT(form.OutputDataBytes, bytesAtPause);
    expectMarkersInOrder(rec);
    std::set<int> written;
    const auto bytes = readAll(rec);
    for (std::size_t off = 44; off + 2 * Frames <= bytes.size(); off += 2 * Frames) written.insert(markerOf(s16At(bytes, off)));
    for (int k = 0; k <= pausedIn + 1; ++k) EXPECT_TRUE(written.count(k)) << "buffer " << k << " was lost";
  }
}
