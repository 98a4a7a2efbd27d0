#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "Decoded.h"
#include "FormFixture.h"
#include "audio/WaveResult.h"
#include "files/WavReader.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

constexpr int Frames = 1024;  // one buffer at 11025 Hz, about 92.9 ms

// Each capture buffer k carries its own number: an alternating pattern of
// +-(3000 + k) when loud, +-(1 + k) when quiet (below the 0 dB threshold).
// Its mean is zero, so DC removal leaves it as it is, and a written buffer
// tells which buffer it was.
std::int16_t marked(std::uint64_t frame, bool loud) {
  const auto k = static_cast<std::int16_t>(frame / Frames);
  const std::int16_t m = loud ? static_cast<std::int16_t>(3000 + k) : static_cast<std::int16_t>(1 + k);
  return frame % 2 ? m : static_cast<std::int16_t>(-m);
}

class RecordLoop : public FormFixture {
 protected:
  RecordLoop() {
    startUp();
    path = dir.file("rec.wav");
  }

  void record(std::int64_t stopAfterMs) {
    host.queueFileChoice(path);
    host.after(stopAfterMs, [this] { form.StopBtn.click(); });
    form.RecordBtn.click();  // returns when the loop has ended
  }

  // The buffer numbers found in the file, in file order.
  std::vector<int> writtenBuffers() {
    const auto bytes = readAll(path);
    EXPECT_EQ(u32At(bytes, 40), bytes.size() - 44);
    EXPECT_EQ(u32At(bytes, 4), bytes.size() - 8);
    std::vector<int> ks;
    for (std::size_t off = 44; off + 2 * Frames <= bytes.size(); off += 2 * Frames) {
      auto sample = [&](int i) {
        return static_cast<std::int16_t>(bytes[off + 2 * i] | (bytes[off + 2 * i + 1] << 8));
      };
      const int m = std::abs(sample(1));
      for (int i = 0; i < Frames; ++i) EXPECT_EQ(std::abs(sample(i)), m) << "buffer at " << off << " is torn";
      ks.push_back(m >= 3000 ? m - 3000 : m - 1);
    }
    EXPECT_EQ((bytes.size() - 44) % (2 * Frames), 0u);
    return ks;
  }

  // Sample by sample: the buffer numbers only ever grow, and each appears in
  // one unbroken run (nothing written twice), even where a pause dropped sound
  // and the buffers no longer line up with the numbering.
  void expectMarkersInOrder() {
    const auto bytes = readAll(path);
    ASSERT_EQ(u32At(bytes, 40), bytes.size() - 44);
    int previous = -1;
    for (std::size_t off = 44; off + 1 < bytes.size(); off += 2) {
      const int m = std::abs(static_cast<std::int16_t>(bytes[off] | (bytes[off + 1] << 8)));
      if (m == 0) continue;  // silence stands in for sound a stalled device never delivered
      const int k = m >= 3000 ? m - 3000 : m - 1;
      ASSERT_GE(k, previous) << "at byte " << off;
      previous = k;
    }
  }

  std::string path;
};

}  // namespace

TEST_F(RecordLoop, OneVoxRecordingKeepsTheBurstsAndTheHangAndDropsTheSilences) {
  // Bursts of 10 buffers; silences of 3 buffers (under 300 ms: within the
  // 500 ms hang) and of 25 buffers (over 2 s: the gate closes).
  auto loudBuffer = [](std::uint64_t k) {
    const std::uint64_t b = k % 48;  // burst, short pause, burst, long pause
    return b < 10 || (b >= 13 && b < 23);
  };
  audio.setSource(0, SimSoundSource::generator(
                         [&](std::uint64_t frame, unsigned) { return marked(frame, loudBuffer(frame / Frames)); }));
  form.VoxCheckBox.click();
  form.InputUpDnGain.setPosition(0);
  form.InputUpDnGainClick();  // 500 ms hang
  form.InputThresholdUpDn.setPosition(0);
  form.InputThresholdUpDnClick();  // level 1000

  record(130 * Frames * 1000 / 11025);  // about 130 buffers
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  const std::vector<int> ks = writtenBuffers();
  ASSERT_FALSE(ks.empty());
  EXPECT_TRUE(std::is_sorted(ks.begin(), ks.end()));
  EXPECT_EQ(std::set<int>(ks.begin(), ks.end()).size(), ks.size()) << "a buffer was written twice";

  const std::set<int> written(ks.begin(), ks.end());
  const int last = ks.back();
  for (int k = 0; k < last; ++k) {
    const int b = k % 48;
    if (loudBuffer(static_cast<std::uint64_t>(k)) || (b >= 10 && b < 13)) {
      EXPECT_TRUE(written.count(k)) << "buffer " << k << " (loud or inside the hang) is missing";
    } else if (b >= 23 + 7) {
      EXPECT_FALSE(written.count(k)) << "buffer " << k << " of a long silence was written";
    }
  }
  // The hang after a burst: about 500 ms of silence, 5 or 6 buffers.
  int hang = 0;
  for (int k = 23; k < 48; ++k) hang += written.count(k);
  EXPECT_GE(hang, 4);
  EXPECT_LE(hang, 7);
  EXPECT_FALSE(form.OutputFileOpen);
}

TEST_F(RecordLoop, VoxOffWritesEveryBufferProcessedAndSaturated) {
  // A constant offset of 100 on the first buffer is removed from it at once;
  // the gain of 10 takes 4000 beyond 16 bits, which is held at full scale.
  audio.setSource(0, SimSoundSource::generator([](std::uint64_t frame, unsigned) {
    return static_cast<std::int16_t>(100 + (frame % 2 ? 4000 : -200));
  }));
  form.OutputUpDnGain.setPosition(20);
  form.OutputUpDnGainClick();  // gain 10
  record(20 * Frames * 1000 / 11025);

  const auto bytes = readAll(path);
  ASSERT_GT(bytes.size(), 44u + 10 * 2 * Frames);
  auto sample = [&](std::size_t i) { return static_cast<std::int16_t>(bytes[44 + 2 * i] | (bytes[45 + 2 * i] << 8)); };
  // Mean of the buffer is 100 + 1900 = 2000: removed, then times 10.
  EXPECT_EQ(sample(0), -21000);  // (100 - 200 - 2000) * 10
  EXPECT_EQ(sample(1), 21000);   // (100 + 4000 - 2000) * 10
  for (std::size_t i = 0; i + 1 < (bytes.size() - 44) / 2; i += 2) {
    ASSERT_EQ(sample(i), -21000) << i;
    ASSERT_EQ(sample(i + 1), 21000) << i;
  }
  EXPECT_FALSE(form.SquelchLED.checked());
}

TEST_F(RecordLoop, SaturationInsteadOfWrapping) {
  audio.setSource(0, SimSoundSource::generator(
                         [](std::uint64_t frame, unsigned) { return static_cast<std::int16_t>(frame % 2 ? 4000 : -4000); }));
  form.OutputUpDnGain.setPosition(20);
  form.OutputUpDnGainClick();
  record(10 * Frames * 1000 / 11025);
  const auto bytes = readAll(path);
  ASSERT_GT(bytes.size(), 48u);
  EXPECT_EQ(static_cast<std::int16_t>(bytes[44] | (bytes[45] << 8)), -32768);
  EXPECT_EQ(static_cast<std::int16_t>(bytes[46] | (bytes[47] << 8)), 32767);  // not -25536
}

TEST_F(RecordLoop, FileBypassWritesNothingAndAsksForNoFile) {
  audio.setSource(0, SimSoundSource::tone(440, 8000));
  form.FileBypassBox.click();
  host.after(2000, [this] {
    EXPECT_EQ(form.ActivityState, ActivityRecording);
    EXPECT_FALSE(form.FileBypassBox.enabled());  // cannot change while recording
    form.StopBtn.click();
  });
  form.RecordBtn.click();
  EXPECT_TRUE(host.fileRequests().empty());
  EXPECT_EQ(form.OutputFileOpen, 0);
  EXPECT_FALSE(audio.sink().samples().empty());  // still monitored
  EXPECT_TRUE(form.FileBypassBox.enabled());
}

// Mute comes in the middle of a buffer the device is playing: the buffers already
// queued play whole, then the monitor is silent.
TEST_F(RecordLoop, TheMonitorHearsTheProcessedSoundOneBufferLaterUntilMuted) {
  audio.setSource(0, SimSoundSource::generator([](std::uint64_t frame, unsigned) { return marked(frame, true); }));
  std::size_t atMute = 0;
  host.after(8 * Frames * 1000 / 11025 + 40, [this, &atMute] {
    form.MuteCheckBox.click();
    atMute = audio.sink().samples().size();
  });
  record(14 * Frames * 1000 / 11025);
  const auto& played = audio.sink().samples();
  // Muted, the monitor's stream stops: nothing is heard after what was on its way.
  EXPECT_LE(played.size(), atMute + 2 * Frames);
  // Silence first (the zeroed buffers), then captured buffers in order.
  std::vector<int> ks;
  for (std::size_t off = 0; off + Frames <= played.size(); off += Frames) {
    const int m = std::abs(played[off + 1]);
    for (int i = 0; i < Frames; ++i) ASSERT_EQ(std::abs(played[off + i]), m) << "torn buffer at " << off;
    if (m != 0) ks.push_back(m - 3000);
  }
  ASSERT_GE(ks.size(), 6u);
  for (std::size_t i = 1; i < ks.size(); ++i) EXPECT_EQ(ks[i], ks[i - 1] + 1);
}

TEST_F(RecordLoop, PauseAndResumeCarryOnWithoutReopeningTheDevices) {
  audio.setSource(0, SimSoundSource::generator([](std::uint64_t frame, unsigned) { return marked(frame, true); }));
  host.queueFileChoice(path);
  host.after(1000, [this] { form.PauseBtn.click(); });
  form.RecordBtn.click();  // returns at the pause
  EXPECT_EQ(form.ActivityState, ActivityPaused);
  EXPECT_EQ(form.StatusMemo.text(), "Current Activity = Paused");
  EXPECT_EQ(form.OutputFileOpen, 1);
  const auto bytesAtPause = form.OutputDataBytes;

  host.runFor(500);
  host.after(1000, [this] { form.StopBtn.click(); });
  form.RecordBtn.click();  // resume
  EXPECT_EQ(audio.calls(WaveDirection::Input, WaveCall::Open), 1);
  EXPECT_EQ(audio.calls(WaveDirection::Output, WaveCall::Open), 1);
  EXPECT_GT(form.OutputDataBytes, bytesAtPause);
  expectMarkersInOrder();
}

TEST_F(RecordLoop, RecordWhileRecordingDoesNothingAndPlayIsRefusedInATransfer) {
  audio.setSource(0, SimSoundSource::tone(440, 8000));
  host.queueFileChoice(path);
  host.after(300, [this] {
    form.RecordBtn.click();  // nested: must not start a second loop
    EXPECT_EQ(audio.calls(WaveDirection::Input, WaveCall::Open), 1);
  });
  host.after(600, [this] { form.StopBtn.click(); });
  form.RecordBtn.click();
  EXPECT_EQ(host.fileRequests().size(), 1u);

  form.ActivityState = ActivityFileTransfer;  // a transfer runs underneath
  form.RecordBtn.click();
  form.PlayBtn.click();
  EXPECT_EQ(form.ActivityState, ActivityFileTransfer);
  EXPECT_EQ(audio.calls(WaveDirection::Input, WaveCall::Open), 1);
}

TEST_F(RecordLoop, OpenOutputFileDuringARecordingGoesOnInTheNewFileOrStopsWriting) {
  audio.setSource(0, SimSoundSource::generator([](std::uint64_t frame, unsigned) { return marked(frame, true); }));
  const std::string second = dir.file("second.wav");
  host.queueFileChoice(path);
  host.after(1000, [&] {
    host.queueFileChoice(second);
    form.OpenOutput1.click();
  });
  host.after(2000, [&] { form.OpenOutput1.click(); });  // cancelled: nothing more is written
  host.after(3000, [&] {
    EXPECT_EQ(form.ActivityState, ActivityRecording);  // still monitoring
    form.StopBtn.click();
  });
  form.RecordBtn.click();
  const auto first = writtenBuffers();
  path = second;
  const auto next = writtenBuffers();
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(next.empty());
  EXPECT_EQ(next.front(), first.back() + 1);  // nothing lost between the files
  EXPECT_LT(next.back(), 2000 * 11025 / 1000 / Frames + 2);
}

TEST_F(RecordLoop, TimedModeWritesOnlyInsideTheScheduledWindow) {
  audio.setSource(0, SimSoundSource::generator([](std::uint64_t frame, unsigned) { return marked(frame, true); }));
  form.TimerCheckBox.click();
  host.queueFileChoice(path);
  host.after(100, [&] { EXPECT_TRUE(form.TimeRecordLED.checked()); });
  // Nothing is written before the start, so the time barely moves (only the first pass counts).
  host.after(950, [&] { EXPECT_LT(form.RecordPlayTimer.elapsedMs(), 200); });
  host.after(1000, [&] { form.ScheduleActive = 1; });
  host.after(2000, [&] {
    form.ScheduleActive = 0;
    form.StopBtn.click();
  });
  form.RecordBtn.click();
  const auto ks = writtenBuffers();
  ASSERT_FALSE(ks.empty());
  const int opened = 1000 * 11025 / 1000 / Frames;  // the buffer that completes around 1 s
  EXPECT_GE(ks.front(), opened - 1);
  EXPECT_LE(ks.front(), opened + 1);
  EXPECT_LE(ks.back(), 2000 * 11025 / 1000 / Frames + 1);
  EXPECT_FALSE(form.TimeRecordLED.checked());
}

TEST_F(RecordLoop, AStalledDeviceIsRestartedAndTheRecordingGoesOn) {
  audio.setSource(0, SimSoundSource::generator([](std::uint64_t frame, unsigned) { return marked(frame, true); }));
  host.after(1000, [&] { audio.stall(WaveDirection::Input); });
  record(3000);
  EXPECT_GE(audio.calls(WaveDirection::Input, WaveCall::Reset), 2);  // the watchdog's, and the stop's
  // The stall loses the sound it swallowed, so buffers are torn there; what
  // was written stays in order (no stale sound written twice) and the
  // recording went on well past the stall.
  expectMarkersInOrder();
  const auto bytes = readAll(path);
  EXPECT_GT(std::abs(static_cast<std::int16_t>(bytes[bytes.size() - 2] | (bytes.back() << 8))), 3020);
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(RecordLoop, ADeviceFailureCompletesTheFileBeforeTheProgramEnds) {
  audio.setSource(0, SimSoundSource::generator([](std::uint64_t frame, unsigned) { return marked(frame, true); }));
  host.queueFileChoice(path);
  host.after(1500, [&] { audio.failCall(WaveDirection::Input, WaveCall::Queue, 7); });
  form.RecordBtn.click();  // the failure ends the loop through the close path
  EXPECT_EQ(host.terminateRequests(), 1);
  ASSERT_FALSE(host.messages().empty());
  EXPECT_EQ(host.messages()[0].caption, "Wave Device Message");
  EXPECT_EQ(form.OutputFileOpen, 0);
  const auto ks = writtenBuffers();  // a complete file, header and data in agreement
  EXPECT_GE(ks.size(), 10u);
}

TEST_F(RecordLoop, ACrashLeavesAValidFileHoldingAllButTheLastSecond) {
  audio.setSource(0, SimSoundSource::generator([](std::uint64_t frame, unsigned) { return marked(frame, true); }));
  std::vector<std::uint8_t> snapshot;
  std::uint32_t writtenAtSnapshot = 0;
  host.queueFileChoice(path);
  host.after(5050, [&] {
    snapshot = readAll(path);  // what a kill at this moment would leave on disk
    writtenAtSnapshot = form.OutputDataBytes;
  });
  host.after(6000, [&] { form.StopBtn.click(); });
  form.RecordBtn.click();
  const WavHeaderInfo info = WavReader::parse(snapshot.data(), snapshot.size());
  ASSERT_TRUE(info.ok());
  EXPECT_FALSE(info.dataSizeRepaired);  // the header itself describes the sound
  EXPECT_LE(info.declaredDataBytes, writtenAtSnapshot);
  EXPECT_GE(info.declaredDataBytes + 11025u * 2u + 2u * Frames, writtenAtSnapshot);  // within a second or so
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
    EXPECT_EQ(d.rate, 22050) << file;
    EXPECT_EQ(d.channels, 2) << file;
    EXPECT_GT(d.seconds(), 0.5) << file;
  }
  const auto bytes = readAll(path);
  EXPECT_FALSE(WavReader::parse(bytes.data(), bytes.size()).dataSizeRepaired);
}

TEST_F(RecordLoop, ALateLoopCatchesUpWithoutLosingSoundAndWarnsWhenItCannot) {
  audio.setSource(0, SimSoundSource::generator([](std::uint64_t frame, unsigned) { return marked(frame, true); }));
  const std::string formatLine = form.StatusMemo2.text();
  host.after(1000, [&] { host.sleepMs(300); });  // the window busy for 300 ms
  host.after(3000, [&] {
    EXPECT_EQ(form.StatusMemo2.text(), formatLine);
    host.sleepMs(5000);  // longer than the devices can hold
  });
  record(10000);
  expectMarkersInOrder();
  const auto bytes = readAll(path);
  auto marker = [&](std::size_t i) { return std::abs(static_cast<std::int16_t>(bytes[44 + 2 * i] | (bytes[45 + 2 * i] << 8))) - 3000; };
  for (std::size_t i = 0; i < 3 * 11025; ++i) ASSERT_EQ(marker(i), static_cast<int>(i / Frames)) << i;  // nothing lost to the short delay
  EXPECT_GE(marker((bytes.size() - 46) / 2), 10000 * 11025 / 1000 / Frames - 3);  // caught up with the long one
  EXPECT_EQ(form.StatusMemo2.text().rfind("Sound lost: ", 0), 0u) << form.StatusMemo2.text();
}

TEST_F(RecordLoop, ALostDeviceIsWaitedForAndTheRecordingGoesOnInTheNextFile) {
  audio.setSource(0, SimSoundSource::generator([](std::uint64_t frame, unsigned) { return marked(frame, true); }));
  host.after(2000, [&] {  // the sound server dies
    audio.loseDevice(WaveDirection::Input);
    audio.loseDevice(WaveDirection::Output);
  });
  host.after(5000, [&] { EXPECT_EQ(form.StatusMemo.text(), "Waiting for the sound device..."); });
  host.after(7000, [&] {  // and is back, with other sound
    audio.setSource(0, SimSoundSource::generator(
                           [](std::uint64_t frame, unsigned) { return static_cast<std::int16_t>(frame % 2 ? 20000 : -20000); }));
    audio.restoreDevice(WaveDirection::Input);
    audio.restoreDevice(WaveDirection::Output);
  });
  host.after(9500, [&] { EXPECT_EQ(form.StatusMemo.text(), "Current Activity = Record"); });
  record(11000);
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(host.terminateRequests(), 0);
  expectMarkersInOrder();  // the first file is whole and holds the sound before the loss
  const auto first = readAll(path);
  EXPECT_GE(first.size(), 44u + 2 * 11025);
  const auto second = readAll(dir.file("rec-2.wav"));
  ASSERT_GE(second.size(), 44u + 5 * 11025);  // from the retry after 7 s to 11 s
  EXPECT_EQ(u32At(second, 40), second.size() - 44);
  for (std::size_t off = 44; off + 1 < second.size(); off += 2)
    ASSERT_EQ(std::abs(static_cast<std::int16_t>(second[off] | (second[off + 1] << 8))), 20000) << off;
}

TEST_F(RecordLoop, StopWhileWaitingForTheDeviceEndsCleanly) {
  // The device stalls for good and the watchdog's restart does not answer in time.
  audio.setSource(0, SimSoundSource::generator([](std::uint64_t frame, unsigned) { return marked(frame, true); }));
  host.after(1000, [&] {
    audio.stall(WaveDirection::Input, 0, false);
    audio.failCall(WaveDirection::Input, WaveCall::Start, WaveNoDriver, -1);
  });
  record(7000);  // Stop at 7 s, while waiting
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  EXPECT_EQ(form.StatusMemo.text(), "Current Activity = Stopped");
  EXPECT_TRUE(host.messages().empty());
  EXPECT_EQ(host.terminateRequests(), 0);
  EXPECT_EQ(audio.reinitialisations(), 2);  // silent from 1 s, given up at 2 s, tried at 4 s and 6 s
  expectMarkersInOrder();
  EXPECT_FALSE(std::filesystem::exists(dir.file("rec-2.wav")));
}

// A kill in a long silence after a transmission loses none of it: its end is
// on disk, counted by the header, within a second of the gate shutting.
TEST_F(RecordLoop, AKillInTheSilenceAfterATransmissionLosesNoneOfIt) {
  audio.setSource(0, SimSoundSource::generator([](std::uint64_t frame, unsigned) { return marked(frame, frame < 10 * Frames); }));
  form.VoxCheckBox.click();
  form.InputThresholdUpDn.setPosition(0);
  form.InputThresholdUpDnClick();
  std::vector<std::uint8_t> atKill;
  host.after(5000, [&] { atKill = readAll(path); });  // the gate shut at about 2 s
  record(6000);
  ASSERT_GE(atKill.size(), 44u);
  EXPECT_EQ(u32At(atKill, 40), atKill.size() - 44);
  EXPECT_EQ(u32At(atKill, 40), readAll(path).size() - 44) << "the end of the transmission was not yet counted";
}
