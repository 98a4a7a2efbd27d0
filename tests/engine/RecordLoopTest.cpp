#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "Decoded.h"
#include "Marked.h"
#include "audio/WaveResult.h"
#include "files/WavReader.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

class RecordLoop : public MarkedForm {
 protected:
  using MarkedForm::record;
  void record(std::int64_t stopAfterMs) { MarkedForm::record(path, stopAfterMs); }
  void expectCleanStop() {
    EXPECT_EQ(std::tuple(form.ActivityState, host.terminateRequests(), audio.openCount()),
              std::tuple(ActivityStopped, 0, 0u));  // the last: no device left open
    EXPECT_TRUE(host.messages().empty()) << host.messages().front().text;
  }
  std::string path = dir.file("rec.wav");
};

using Transfer = MarkedForm;

}  // namespace

// The first buffer's offset is removed from it at once (100 here, with the
// pattern's own mean of 1900), then gain 10; what goes beyond 16 bits is held
// at full scale, not wrapped (40000 is not -25536), and only in the file: the
// display and the gate see the unclipped value.
TEST_F(RecordLoop, SaturationInsteadOfWrapping) {
  form.OutputUpDnGain.setPosition(20);
  form.OutputUpDnGainClick();  // gain 10
  const struct { int even, odd, outEven, outOdd, unclipped; } cases[] = {{-100, 4100, -21000, 21000, 21000},
                                                                          {-4000, 4000, -32768, 32767, 40000}};
  for (const auto c : cases) {
    SCOPED_TRACE(c.odd);
    audio.setSource(0, SimSoundSource::samples({std::int16_t(c.even), std::int16_t(c.odd)}, 1, true));
    path = dir.file(std::to_string(c.odd) + ".wav");
    record(static_cast<std::int64_t>(20 * BufferMs));
    const auto bytes = readAll(path);
    ASSERT_GT(bytes.size(), 44u + 10 * 2 * Frames);
    for (std::size_t off = 44; off + 1 < bytes.size(); off += 2)
      ASSERT_EQ(s16At(bytes, off), off % 4 ? c.outOdd : c.outEven) << off;  // even frames, then odd
    EXPECT_EQ(std::tuple(form.WorkSamples[1], form.SquelchLED.checked()), std::tuple(c.unclipped, false));
  }
}

// File Bypass, recording and in a transfer (which runs to the end of its
// input): no output file asked for or written, the sound still heard.
TEST_F(RecordLoop, FileBypassWritesNothingAndAsksForNoFile) {
  form.FileBypassBox.click();
  for (const bool transfer : {false, true}) {
    if (transfer) form.FileTransferCheckBox.click(), host.queueFileChoice(markedWav(dir.file("in.wav"), 20));
    host.after(2000, [this] {
      EXPECT_FALSE(form.FileBypassBox.enabled());  // cannot change while running
      form.StopBtn.click();
    });
    form.RecordBtn.click();
    EXPECT_EQ(std::tuple(host.fileRequests().size(), form.OutputFileOpen, form.ActivityState),
              std::tuple(transfer ? 1u : 0u, 0, ActivityStopped));
    EXPECT_FALSE(audio.sink().samples().empty());
  }
}

// Mute comes in the middle of a buffer the device is playing: the buffers
// already queued play whole, then the monitor's stream stops.
TEST_F(RecordLoop, TheMonitorHearsTheProcessedSoundOneBufferLaterUntilMuted) {
  std::size_t atMute = 0;
  host.after(static_cast<std::int64_t>(8 * BufferMs) + 40, [this, &atMute] {
    form.MuteCheckBox.click();
    atMute = audio.sink().samples().size();
  });
  record(static_cast<std::int64_t>(14 * BufferMs));
  EXPECT_LE(audio.sink().samples().size(), atMute + 2 * Frames);
  std::vector<int> ks;  // after the zeroed buffers' silence, captured buffers in order
  for (const int m : levelsPlayed(true))
    if (m != 0) ks.push_back(m - 3000);
  ASSERT_GE(ks.size(), 6u);
  EXPECT_EQ(ks, range(ks.front(), ks.front() + int(ks.size())));
}

TEST_F(RecordLoop, OpenOutputFileDuringARecordingGoesOnInTheNewFileOrStopsWriting) {
  const std::string second = dir.file("second.wav");
  host.after(1000, [&] {
    host.queueFileChoice(second);
    form.OpenOutput1.click();
  });
  host.after(2000, [&] { form.OpenOutput1.click(); });  // cancelled: nothing more is written
  host.after(2900, [&] { EXPECT_EQ(form.ActivityState, ActivityRecording); });  // still monitoring
  record(3000);
  const auto first = buffersIn(path), next = buffersIn(second);
  ASSERT_TRUE(!first.empty() && !next.empty());
  EXPECT_EQ(next.front(), first.back() + 1);  // nothing lost between the files
  EXPECT_LT(next.back(), 2000 * 11025 / 1000 / Frames + 2);
}

TEST_F(RecordLoop, TimedModeWritesOnlyInsideTheScheduledWindow) {
  form.TimerCheckBox.click();
  host.after(100, [&] { EXPECT_TRUE(form.TimeRecordLED.checked()); });
  // Nothing is written before the start, so the time barely moves (only the first pass counts).
  host.after(950, [&] { EXPECT_LT(form.RecordPlayTimer.elapsedMs(), 200); });
  host.after(1000, [&] { form.ScheduleActive = 1; });
  host.after(2000, [&] { form.ScheduleActive = 0; });
  record(2000);
  const auto ks = buffersIn(path);
  ASSERT_FALSE(ks.empty());
  EXPECT_NEAR(ks.front(), 11025 / Frames, 1);  // the buffer that completes around 1 s
  EXPECT_LE(ks.back(), 2 * 11025 / Frames + 1);
  EXPECT_FALSE(form.TimeRecordLED.checked());
}

// The stall loses the sound it swallowed, so buffers are torn there; what was
// written stays in order (no stale tail written twice) and goes on past it.
TEST_F(RecordLoop, AStalledDeviceIsRestartedAndTheRecordingGoesOn) {
  host.after(1000, [&] { audio.stall(WaveDirection::Input); });
  record(3000);
  EXPECT_GE(audio.calls(WaveDirection::Input, WaveCall::Reset), 2);  // the watchdog's, and the stop's
  expectMarkersInOrder(path);
  const auto bytes = readAll(path);
  EXPECT_GT(std::abs(s16At(bytes, bytes.size() - 2)), 3020);
  EXPECT_TRUE(host.messages().empty());
}

// What a kill would leave on disk: at any moment while the gate is open, a
// valid file whose own header describes all but the last second; in a long
// silence after a transmission, all of it, counted within a second of the
// gate shutting.
TEST_F(RecordLoop, ACrashLeavesAValidFileAndAKillInTheSilenceAfterATransmissionLosesNoneOfIt) {
  audio.setSource(0, markedSource([](int k) { return k < 60; }));
  voxAtZeroDb();
  std::uint32_t seen = 0;
  for (int t = 1100; t < 5500; t += 100)  // from the first update of the header on
    host.after(t, [&, t] {
      const auto bytes = readAll(path);
      const WavHeaderInfo info = WavReader::parse(bytes.data(), bytes.size());
      ASSERT_TRUE(info.ok()) << t;
      EXPECT_FALSE(info.dataSizeRepaired) << t;  // the header itself describes the sound
      EXPECT_EQ(u32At(bytes, 4), info.declaredDataBytes + 36) << t;
      EXPECT_GE(info.declaredDataBytes, seen) << t;
      EXPECT_LE(info.declaredDataBytes, form.OutputDataBytes) << t;
      EXPECT_GE(info.declaredDataBytes + 11025u * 2u + 2u * Frames, form.OutputDataBytes) << t;  // within a second
      seen = info.declaredDataBytes;
    });
  std::vector<std::uint8_t> inSilence;
  host.after(9000, [&] { inSilence = readAll(path); });  // the gate shut at about 6 s
  record(10000);
  ASSERT_GE(inSilence.size(), 44u);
  EXPECT_EQ(u32At(inSilence, 40), inSilence.size() - 44);
  EXPECT_EQ(u32At(inSilence, 40), readAll(path).size() - 44) << "the end of the transmission was not yet counted";
}

TEST_F(RecordLoop, AnOutputFileOpenedBeforeAFormatChangeGetsTheFormatOfItsSound) {
  audio.setSource(0, SimSoundSource::tone(440, 8000));
  for (const std::string& file : {path, dir.file("rec.flac")}) {
    form.Mono2Click();
    form.N11025Hz1Click();
    host.queueFileChoice(file);
    form.OpenOutput1Click();  // at 11025 Hz mono
    form.Stereo2Click();
    form.N22050Hz1Click();
    host.after(1000, [this] { form.StopBtn.click(); });
    form.RecordBtn.click();
    const Decoded d = decode(file);
    EXPECT_TRUE(d.rate == 22050 && d.channels == 2 && d.seconds() > 0.5) << file;
  }
  const auto bytes = readAll(path);
  EXPECT_FALSE(WavReader::parse(bytes.data(), bytes.size()).dataSizeRepaired);
}

TEST_F(RecordLoop, ALateLoopCatchesUpWithoutLosingSoundAndWarnsWhenItCannot) {
  const std::string formatLine = form.StatusMemo2.text();
  host.after(1000, [&] { host.sleepMs(300); });  // the window busy for 300 ms
  host.after(3000, [&] {
    EXPECT_EQ(form.StatusMemo2.text(), formatLine);
    host.sleepMs(5000);  // longer than the devices can hold
  });
  record(10000);
  expectMarkersInOrder(path);
  const auto bytes = readAll(path);
  for (std::size_t i = 0; i < 3 * 11025; ++i) ASSERT_EQ(markerOf(s16At(bytes, 44 + 2 * i)), int(i / Frames)) << i;
  EXPECT_GE(markerOf(s16At(bytes, bytes.size() - 2)), 10000 * 11025 / 1000 / Frames - 3);  // caught up
  EXPECT_EQ(form.StatusMemo2.text().rfind("Sound lost: ", 0), 0u) << form.StatusMemo2.text();
}

TEST_F(RecordLoop, ALostDeviceIsWaitedForAndTheRecordingGoesOnInTheNextFile) {
  host.after(2000, [&] {  // the sound server dies
    audio.loseDevice(WaveDirection::Input);
    audio.loseDevice(WaveDirection::Output);
  });
  host.after(5000, [&] { EXPECT_EQ(form.StatusMemo.text(), "Waiting for the sound device..."); });
  host.after(7000, [&] {  // and is back, with other sound
    audio.setSource(0, SimSoundSource::samples({-20000, 20000}, 1, true));
    audio.restoreDevice(WaveDirection::Input);
    audio.restoreDevice(WaveDirection::Output);
  });
  host.after(9500, [&] { EXPECT_EQ(form.StatusMemo.text(), "Current Activity = Record"); });
  record(11000);
  expectCleanStop();
  expectMarkersInOrder(path);  // the first file is whole and holds the sound before the loss
  EXPECT_GE(readAll(path).size(), 44u + 2 * 11025);
  const auto second = readAll(dir.file("rec-2.wav"));
  ASSERT_GE(second.size(), 44u + 5 * 11025);  // from the retry after 7 s to 11 s
  EXPECT_EQ(u32At(second, 40), second.size() - 44);
  for (std::size_t off = 44; off + 1 < second.size(); off += 2) ASSERT_EQ(std::abs(s16At(second, off)), 20000) << off;
}

TEST_F(RecordLoop, StopWhileWaitingForTheDeviceEndsCleanly) {
  // The device stalls for good and the watchdog's restart does not answer in time.
  host.after(1000, [&] {
    audio.stall(WaveDirection::Input, 0, false);
    audio.failCall(WaveDirection::Input, WaveCall::Start, WaveNoDriver, -1);
  });
  record(7000);  // Stop at 7 s, while waiting
  expectCleanStop();
  EXPECT_EQ(form.StatusMemo.text(), "Current Activity = Stopped");
  EXPECT_EQ(audio.reinitialisations(), 2);  // silent from 1 s, given up at 2 s, tried at 4 s and 6 s
  expectMarkersInOrder(path);
  EXPECT_FALSE(std::filesystem::exists(dir.file("rec-2.wav")));
}

// With VOX off the output is the input, sample for sample and no longer, at
// the pace of the capture clock, whichever buffer the previous run ended on,
// however the input ends and wherever a pause comes (while the loop waits
// for A or for B). Cancelling the input chooser ends it as the end of the
// data would, with what was written so far.
TEST_F(Transfer, TheOutputIsTheInputWhateverThePreviousRunTheEndAndThePauses) {
  form.FileTransferCheckBox.click();
  const struct { int previousBuffer, extraFrames, pauseInBlock; bool cancel; } cases[] = {  // -1: no pause
      {2, 0, -1, false}, {1, 300, -1, false}, {2, 300, 20, false}, {1, 0, 21, false}, {2, 0, 30, false},
      {1, 0, -1, true}};
  for (const auto c : cases) {
    SCOPED_TRACE(testing::Message() << c.previousBuffer << " " << c.extraFrames << " " << c.pauseInBlock << c.cancel);
    auto input = readAll(markedWav(dir.file("in.wav"), 40, allLoud, c.extraFrames));
    form.NextBuffer = c.previousBuffer;
    const int opens = audio.calls(WaveDirection::Input, WaveCall::Open);
    const std::int64_t start = host.nowMs();
    // The loop starts 250 ms after the click; block k is waited for from about (k + 0.5) buffers on.
    if (c.pauseInBlock >= 0)
      host.after(250 + static_cast<std::int64_t>((c.pauseInBlock + 0.5) * BufferMs), [&] { form.PauseBtn.click(); });
    if (c.cancel) host.after(1000, [&] { form.OpenInput1.click(); });  // nothing queued: cancelled
    host.queueFileChoice(dir.file("in.wav"));
    host.queueFileChoice(dir.file("out.wav"));
    form.RecordBtn.click();  // returns at the pause or at the end of the data
    if (c.pauseInBlock >= 0) {
      ASSERT_EQ(form.ActivityState, ActivityPaused);
      host.runFor(700);
      form.RecordBtn.click();  // resume: runs to the end
    } else {
      const std::int64_t took = host.nowMs() - start;
      EXPECT_GT(took, c.cancel ? 1000 : 40 * BufferMs);  // paced by the capture clock, not the disk
      EXPECT_LT(took, c.cancel ? 2000 : 40 * BufferMs + 1000);
    }
    EXPECT_EQ(std::tuple(form.ActivityState, form.PlayScrollBar.position(), form.InputFileOpen,
                         audio.calls(WaveDirection::Input, WaveCall::Open)),
              std::tuple(ActivityStopped, 0, 0, opens + 1));
    EXPECT_TRUE(host.messages().empty());
    auto output = readAll(dir.file("out.wav"));
    EXPECT_EQ(u32At(output, 40), output.size() - 44);
    if (c.cancel) input.resize(std::max<std::size_t>(output.size(), 44 + 8 * Frames));  // what was written so far
    EXPECT_EQ(std::vector(output.begin() + 44, output.end()), std::vector(input.begin() + 44, input.end()));
  }
}

// Play over a recording or a transfer, running or paused, ends it completely
// (its file completed, its devices released) before opening anything, and
// the chosen file plays once through from its start, not from where the
// first left off. Record or Play clicked while a transfer runs is ignored.
// Orders that start a recording second are among the action sequences.
// Captured buffers are loud (3000 + k), the played file quiet (1 + k): the
// sink tells the monitor's sound from the file's.
TEST_F(RecordLoop, PlayOverARecordingOrTransferEndsItAndPlaysTheFileFromItsStart) {
  const std::string played = markedWav(dir.file("play.wav"), 12, [](int) { return false; });
  const struct { bool transfer, pauseFirst; } cases[] = {{false, false}, {false, true}, {true, true}};
  for (const auto c : cases) {
    SCOPED_TRACE(testing::Message() << c.transfer << c.pauseFirst);
    path = dir.file(std::string("first") + (c.transfer ? "t" : "") + (c.pauseFirst ? "p" : "") + ".wav");
    audio.sink().clear();
    if (c.transfer) {
      form.FileTransferCheckBox.click();
      host.queueFileChoice(markedWav(dir.file("long.wav"), 200));
      host.after(400, [this] {
        form.RecordBtn.click();
        form.PlayBtn.click();
      });
    }
    host.queueFileChoice(path);
    if (c.pauseFirst) host.after(700, [this] { form.PauseBtn.click(); });
    host.after(1000, [&] {
      host.queueFileChoice(played);
      form.PlayBtn.click();
    });
    form.RecordBtn.click();
    if (c.pauseFirst) {
      ASSERT_EQ(form.ActivityState, ActivityPaused);
      host.runFor(3000);  // the Play click comes while paused, from the idle loop
    }
    if (c.transfer) form.FileTransferCheckBox.click();
    expectCleanStop();
    buffersIn(path);  // complete: its header counts its data
    std::vector<int> blocks;  // the file's blocks the sink received, in order
    for (const int m : levelsPlayed())
      if (m != 0 && m < 3000) blocks.push_back(m - 1);
    EXPECT_EQ(blocks, range(0, 12)) << "the file did not play once through from its start";
  }
}

// A pause, whichever buffer the loop was on, loses nothing of what was
// captured before it: the buffer queued when it came is written on resume,
// on the devices the pause kept open, and nothing is written twice.
TEST_F(RecordLoop, AResumedRecordingWritesTheBufferThePauseLeftQueued) {
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
    for (std::size_t off = 44; off + 2 * Frames <= bytes.size(); off += 2 * Frames)
      written.insert(markerOf(s16At(bytes, off)));
    for (int k = 0; k <= pausedIn + 1; ++k) EXPECT_TRUE(written.count(k)) << "buffer " << k << " was lost";
  }
}
