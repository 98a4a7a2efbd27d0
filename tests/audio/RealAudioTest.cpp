#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "Decoded.h"
#include "RealTimeHost.h"
#include "ToneCheck.h"
#include "app/TVOXForm.h"
#include "audio/PortAudioBackend.h"
#include "files/WavHeader.h"

using namespace quorvane;
using namespace quorvane::test;

// Against the private PulseAudio server of scripts/start-pulse.sh: its null
// sink swallows what is played and its monitor gives it back, so real sound
// goes through PortAudio, ALSA and the server without a sound card. The
// checks are on the sound, never on how long anything took.

// Under the leak checker: the libraries ALSA opens at run time (its pulse
// plugin and what that pulls in) keep what their initialisers allocated until
// the process ends. Not ours to free; the stacks only reach the loader when
// unwound the slow way.
extern "C" const char* __lsan_default_suppressions() { return "leak:_dl_init\n"; }
extern "C" const char* __lsan_default_options() { return "fast_unwind_on_malloc=0"; }

namespace {

constexpr double Rate = 11025, ToneHz = 1000, ToneRms = 12000 / std::numbers::sqrt2;

std::vector<std::int16_t> tone(std::size_t samples) {
  std::vector<std::int16_t> v(samples);
  for (std::size_t i = 0; i < samples; ++i)
    v[i] = static_cast<std::int16_t>(std::lround(ToneRms * std::numbers::sqrt2 * std::sin(2 * std::numbers::pi * ToneHz * i / Rate)));
  return v;
}

class RealAudio : public ::testing::Test {
 protected:
  void SetUp() override {
    // Only ever the private server, never a desktop's sound.
    const char* dir = std::getenv("QUORVANE_PULSE_DIR");
    const std::string server = std::string("unix:") + (dir && *dir ? dir : "/tmp/quorvane-pulse") + "/native";
    setenv("PULSE_SERVER", server.c_str(), 1);
    if (std::system("pactl info >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "no PulseAudio server at " << server << " (start one with scripts/start-pulse.sh)";
    audio = std::make_unique<PortAudioBackend>();
    form = std::make_unique<TVOXForm>(host, *audio);
    for (const WaveDirection d : {WaveDirection::Input, WaveDirection::Output}) {
      int& id = d == WaveDirection::Input ? form->InputDeviceId : form->OutputDeviceId;
      for (id = 0; id < audio->deviceCount(d) && audio->productName(d, id) != "pulse";) ++id;
      if (id == audio->deviceCount(d)) GTEST_SKIP() << "PortAudio lists no ALSA 'pulse' device (libasound2-plugins)";
    }
    form->StopRequested = 0;
  }
  void TearDown() override {
    if (form) {
      EXPECT_TRUE(host.messages().empty()) << host.messages().front().text;
    }
  }

  // Captures `passes` buffers through the double buffer as the record loop
  // does; after each one, `monitor` may serve the output.
  std::vector<std::int16_t> capture(int passes, const std::function<void(bool)>& monitor = {}) {
    WaveDevices& d = form->devices;
    d.SetupInputHeaders();
    d.OpenInputDevice();
    d.RearmInputHeaderA();
    d.PrepareInputHeaderA();
    d.AddInputBufferA();
    d.StartInputDevice();
    std::vector<std::int16_t> all;
    for (int i = 0; i < passes; ++i) {
      const bool a = i % 2 == 0;
      a ? d.RearmInputHeaderB() : d.RearmInputHeaderA();
      a ? d.PrepareInputHeaderB() : d.PrepareInputHeaderA();
      a ? d.AddInputBufferB() : d.AddInputBufferA();
      armWatchdog();
      const std::uint32_t bytes = a ? d.WaitInputBufferA() : d.WaitInputBufferB();
      a ? d.UnprepareInputHeaderA() : d.UnprepareInputHeaderB();
      const std::uint8_t* b = (a ? form->InputBufferA : form->InputBufferB).get();
      for (std::uint32_t k = 0; k + 1 < bytes; k += 2) all.push_back(static_cast<std::int16_t>(b[k] | (b[k + 1] << 8)));
      if (monitor) monitor(a);
      form->TimeoutTimer.setEnabled(false);
    }
    d.ResetInputDevice();
    d.CloseInputDevice();
    return all;
  }
  void armWatchdog() {
    form->DeviceTimedOut = 0;
    form->TimeoutTimer.setEnabled(false);
    form->TimeoutTimer.setEnabled(true);
  }

  // The last half second, well inside the tone whatever the latencies: its
  // frequency (upward zero crossings, interpolated) within 1.5 %, its level within 20 %.
  static void expectTone(const std::vector<std::int16_t>& all) {
    ASSERT_GE(all.size(), 6u * 1024);
    const std::vector<std::int16_t> s(all.end() - 6 * 1024, all.end());
    double first = -1, last = -1, sum = 0;
    int crossings = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
      sum += static_cast<double>(s[i]) * s[i];
      if (s[i - 1] < 0 && s[i] >= 0) {
        last = static_cast<double>(i - 1) + static_cast<double>(-s[i - 1]) / (s[i] - s[i - 1]);
        if (first < 0) first = last;
        ++crossings;
      }
    }
    const double hz = crossings < 2 ? 0 : (crossings - 1) * Rate / (last - first);
    const double rms = std::sqrt(sum / static_cast<double>(s.size() - 1));
    std::printf("captured %.1f Hz at RMS %.0f (played %.0f Hz at RMS %.0f)\n", hz, rms, ToneHz, ToneRms);
    EXPECT_NEAR(hz, ToneHz, 15.0);
    EXPECT_NEAR(rms, ToneRms, 0.2 * ToneRms);
  }

  RealTimeHost host;
  std::unique_ptr<PortAudioBackend> audio;
  std::unique_ptr<TVOXForm> form;
};

}  // namespace

TEST_F(RealAudio, CapturesAToneFromTheSinkMonitorThroughTheDoubleBuffer) {
  // Another client plays two seconds of the tone into the null sink.
  FILE* player = popen("pacat --playback --raw --rate=11025 --channels=1 --format=s16le --device=quorvane_null", "w");
  ASSERT_NE(player, nullptr);
  const auto sound = tone(2 * 11025);
  ASSERT_EQ(std::fwrite(sound.data(), 2, sound.size(), player), sound.size());
  std::fflush(player);
  const auto captured = capture(14);
  pclose(player);
  EXPECT_EQ(captured.size(), 14u * 1024);
  expectTone(captured);
}

TEST_F(RealAudio, PlaybackThroughTheOutputOperationsReachesTheSink) {
  // The tone goes out through the output double buffer while the monitor is
  // captured, the way the record loop monitors its input.
  WaveDevices& d = form->devices;
  const auto sound = tone(20 * 1024);
  std::size_t next = 0;
  auto write = [&](bool a) {
    std::uint8_t* b = (a ? form->OutputBufferA : form->OutputBufferB).get();
    for (std::size_t i = 0; i < 1024; ++i, ++next) {
      b[2 * i] = static_cast<std::uint8_t>(sound[next] & 0xFF);
      b[2 * i + 1] = static_cast<std::uint8_t>((sound[next] >> 8) & 0xFF);
    }
    a ? d.RearmOutputHeaderA() : d.RearmOutputHeaderB();
    a ? d.PrepareOutputHeaderA() : d.PrepareOutputHeaderB();
    a ? d.WriteOutputBufferA() : d.WriteOutputBufferB();
  };
  d.SetupOutputHeaders();
  d.OpenOutputDevice();
  write(true);
  write(false);
  const auto captured = capture(16, [&](bool a) {
    a ? d.WaitOutputBufferA() : d.WaitOutputBufferB();
    a ? d.UnprepareOutputHeaderA() : d.UnprepareOutputHeaderB();
    write(a);
  });
  EXPECT_GE(d.GetOutputPosition(), 16u * 2048);
  d.ResetOutputDevice();
  d.CloseOutputDevice();
  expectTone(captured);
}

namespace {

// Per 1024-sample block of a file's or a capture's sound: its RMS.
std::vector<double> blockLevels(const std::vector<std::int16_t>& s) {
  std::vector<double> out;
  for (std::size_t off = 0; off + 1024 <= s.size(); off += 1024) {
    double sum = 0;
    for (std::size_t i = off; i < off + 1024; ++i) sum += static_cast<double>(s[i]) * s[i];
    out.push_back(std::sqrt(sum / 1024));
  }
  return out;
}

}  // namespace

TEST_F(RealAudio, AVoxRecordingOfBurstsKeepsTheBurstsAndDropsTheSilences) {
  // Three one-second tone bursts with 2.5 s of silence between them, played
  // by another client into the sink whose monitor the form records. The
  // monitor output is muted: it would go into the same sink and feed back.
  std::vector<std::int16_t> bursts;
  for (int b = 0; b < 3; ++b) {
    const auto t = tone(11025);
    bursts.insert(bursts.end(), t.begin(), t.end());
    bursts.insert(bursts.end(), static_cast<std::size_t>(2.5 * 11025), 0);
  }
  const std::string path = "/tmp/quorvane-realaudio-vox.wav";
  std::remove(path.c_str());
  form->MuteCheckBox.click();
  form->VoxCheckBox.click();
  form->InputThresholdUpDn.setPosition(20);
  form->InputThresholdUpDnClick();  // level 10000: far above the silence, under the tone's 12000
  form->InputUpDnGain.setPosition(0);
  form->InputUpDnGainClick();  // 500 ms hang
  const std::string raw = "/tmp/quorvane-realaudio-bursts.raw";
  {
    FILE* f = std::fopen(raw.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bursts.data(), 2, bursts.size(), f);
    std::fclose(f);
  }
  host.queueFileChoice(path);
  // The player runs on its own, so the recording's waits are never held up.
  host.after(300, [&] {
    ASSERT_EQ(std::system(("pacat --playback --raw --rate=11025 --channels=1 --format=s16le "
                           "--device=quorvane_null < " + raw + " &").c_str()), 0);
  });
  host.after(11500, [&] { form->StopBtn.click(); });
  form->RecordBtn.click();

  const auto levels = blockLevels(readRecordedWav(path).first);
  int loud = 0, longestQuiet = 0, quiet = 0;
  for (double l : levels) {
    if (l > 0.5 * ToneRms) {
      ++loud;
      quiet = 0;
    } else {
      longestQuiet = std::max(longestQuiet, ++quiet);
    }
  }
  const double seconds = static_cast<double>(levels.size()) * 1024 / 11025;
  std::printf("recorded %.1f s, %d loud blocks, longest quiet run %d blocks\n", seconds, loud, longestQuiet);
  EXPECT_GE(loud, 25);         // the three bursts: about 32 blocks
  EXPECT_LE(seconds, 6.5);     // of 11 s listened to: the long silences are gone
  EXPECT_LE(longestQuiet, 12);  // at most a hang's worth of quiet in a row, never 2.5 s
}

TEST_F(RealAudio, PlayingAFileReachesTheSink) {
  // Two seconds of the tone in a WAV file, played by the form while another
  // client records the sink's monitor.
  const std::string path = "/tmp/quorvane-realaudio-play.wav", heard = "/tmp/quorvane-realaudio-heard.raw";
  {
    const auto t = tone(2 * 11025);
    const auto header = WavHeader::build(form->WaveFormat, static_cast<std::uint32_t>(t.size() * 2));
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(header.data(), 1, header.size(), f);
    std::fwrite(t.data(), 2, t.size(), f);
    std::fclose(f);
  }
  std::remove(heard.c_str());
  ASSERT_EQ(std::system(("(timeout 5 parec --raw --rate=11025 --channels=1 --format=s16le "
                         "--device=quorvane_null.monitor > " + heard + ") &").c_str()), 0);
  host.sleepMs(300);
  host.queueFileChoice(path);
  form->PlayBtn.click();  // plays to the end of the data
  EXPECT_EQ(form->ActivityState, ActivityStopped);
  host.sleepMs(5000);  // the recorder's own time limit

  std::vector<std::int16_t> captured;
  if (FILE* f = std::fopen(heard.c_str(), "rb")) {
    std::int16_t v;
    while (std::fread(&v, 2, 1, f) == 1) captured.push_back(v);
    std::fclose(f);
  }
  // The loudest six blocks in a row of what the sink received are the file's tone.
  const auto levels = blockLevels(captured);
  ASSERT_GE(levels.size(), 6u);
  std::size_t best = 0;
  double bestSum = -1;
  for (std::size_t b = 0; b + 6 <= levels.size(); ++b) {
    double sum = 0;
    for (std::size_t k = b; k < b + 6; ++k) sum += levels[k];
    if (sum > bestSum) {
      bestSum = sum;
      best = b;
    }
  }
  const std::size_t from = best * 1024;
  expectTone({captured.begin() + static_cast<std::ptrdiff_t>(from), captured.begin() + static_cast<std::ptrdiff_t>(from + 6 * 1024)});
}

// Logging for real: three spoken calls with silences between them, recorded
// with VOX in one-file-per-transmission mode, give a file per call and a log
// row per file.
TEST_F(RealAudio, SpokenCallsMakeOneFileEachAndALogRowEach) {
  const std::string dir = "/tmp/quorvane-realaudio-calls";
  std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str());
  std::vector<std::int16_t> script;
  std::vector<double> callSeconds;
  for (const char* words : {"Unit twelve, respond to the north gate", "Copy that", "All units, stand by"}) {
    const std::string raw = dir + "/call.raw";
    const std::string make = std::string("espeak-ng -w ") + dir + "/call.wav \"" + words + "\" && sox " + dir +
                             "/call.wav -r 11025 -c 1 -b 16 -e signed-integer -t raw " + raw;
    ASSERT_EQ(std::system(make.c_str()), 0) << "espeak-ng and sox make the calls";
    const std::vector<std::int16_t> call = [&] {
      std::vector<std::int16_t> s;
      FILE* f = std::fopen(raw.c_str(), "rb");
      std::int16_t v;
      while (f && std::fread(&v, 2, 1, f) == 1) s.push_back(v);
      if (f) std::fclose(f);
      return s;
    }();
    callSeconds.push_back(static_cast<double>(call.size()) / 11025);
    script.insert(script.end(), call.begin(), call.end());
    script.insert(script.end(), 3 * 11025, 0);
  }
  const std::string played = dir + "/script.raw";
  {
    FILE* f = std::fopen(played.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(script.data(), 2, script.size(), f);
    std::fclose(f);
  }
  host.setWallClock(std::time(nullptr));
  form->transmissions.settings = LoggingSettings{1, true, 0, 0};
  form->MuteCheckBox.click();
  form->VoxCheckBox.click();
  form->InputThresholdUpDn.setPosition(12);
  form->InputThresholdUpDnClick();
  form->InputUpDnGain.setPosition(1);
  form->InputUpDnGainClick();  // 1 s hang: the pauses inside a call stay in it
  host.queueFileChoice(dir + "/calls.wav");
  host.after(300, [&] {
    ASSERT_EQ(std::system(("pacat --playback --raw --rate=11025 --channels=1 --format=s16le "
                           "--device=quorvane_null < " + played + " &").c_str()), 0);
  });
  host.after(static_cast<std::int64_t>(script.size() * 1000 / 11025) + 1500, [&] { form->StopBtn.click(); });
  form->RecordBtn.click();

  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().filename().string().rfind("calls-", 0) == 0) files.push_back(e.path().string());
  std::sort(files.begin(), files.end());
  ASSERT_EQ(files.size(), 3u);
  std::ifstream log(dir + "/calls.csv");
  std::vector<std::string> rows;
  for (std::string line; std::getline(log, line);) rows.push_back(line);
  ASSERT_EQ(rows.size(), 4u);
  for (std::size_t i = 0; i < 3; ++i) {
    const double seconds = static_cast<double>(readRecordedWav(files[i]).first.size()) / 11025;
    std::printf("call %zu: %.2f s spoken, %.2f s in %s\n", i, callSeconds[i], seconds, files[i].c_str());
    EXPECT_GE(seconds, callSeconds[i] - 0.3);  // the start of a word may sit under the threshold
    EXPECT_LE(seconds, callSeconds[i] + 1.6);  // plus the hang and the pre-roll
    EXPECT_NE(rows[i + 1].find(std::filesystem::path(files[i]).filename().string()), std::string::npos) << rows[i + 1];
  }
}

TEST_F(RealAudio, ARecordingAt48000HzStereoIntoFlacKeepsA1kHzToneAt1kHz) {
  // Another client plays three seconds of a 1 kHz tone at 48000 Hz stereo;
  // the form records the sink's monitor at the same rate into a FLAC file.
  const std::string path = "/tmp/quorvane-realaudio-48k.flac", raw = "/tmp/quorvane-realaudio-48k.raw";
  std::remove(path.c_str());
  ASSERT_EQ(std::system(("sox -q -n -r 48000 -c 2 -b 16 -e signed -t raw " + raw + " synth 3 sine 1000 vol 0.37").c_str()), 0);
  form->Stereo2Click();
  form->N48000Hz1Click();
  form->MuteCheckBox.click();
  host.queueFileChoice(path);
  host.after(300, [&] {
    ASSERT_EQ(std::system(("pacat --playback --raw --rate=48000 --channels=2 --format=s16le "
                           "--device=quorvane_null < " + raw + " &").c_str()), 0);
  });
  host.after(3000, [&] { form->StopBtn.click(); });
  form->RecordBtn.click();

  const Decoded d = decode(path);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.rate, 48000);
  ASSERT_EQ(d.channels, 2);
  // The middle second holds the tone whatever the latencies.
  for (int c = 0; c < 2; ++c) {
    const double hz = d.pitch(c, 1.2, 2.2);
    std::printf("channel %d: %.1f Hz\n", c, hz);
    EXPECT_NEAR(hz, 1000.0, 5.0);
  }
}
