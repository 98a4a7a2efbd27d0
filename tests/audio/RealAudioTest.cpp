#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <tuple>

#include "RealSound.h"
#include "files/WavHeader.h"

using namespace quorvane;
using namespace quorvane::test;

// Against the private sound server; the checks are on the sound, never on how long anything took.

namespace {

class RealAudio : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!usePrivateServer()) GTEST_SKIP() << "no PulseAudio server (start one with scripts/start-pulse.sh)";
    audio = std::make_unique<PortAudioBackend>();
    form = std::make_unique<TVOXForm>(host, *audio);
    if (!choosePulseDevices(*form, *audio)) GTEST_SKIP() << "PortAudio lists no ALSA 'pulse' device";
    form->StopRequested = 0;
  }
  void TearDown() override {
    EXPECT_TRUE(host.messages().empty()) << host.messages().front().text;  // no message box came up
  }

  // Captures `passes` buffers through the double buffer as the record loop
  // does; after each one, `monitor` may serve the output.
  std::vector<std::int16_t> capture(int passes, const std::function<void(bool)>& monitor = {}) {
    WaveDevices& d = form->devices;
    d.SetupInputHeaders();
    d.OpenInputDevice();
    auto queue = [&d](bool a) {
      a ? d.RearmInputHeaderA() : d.RearmInputHeaderB();
      a ? d.PrepareInputHeaderA() : d.PrepareInputHeaderB();
      a ? d.AddInputBufferA() : d.AddInputBufferB();
    };
    queue(true);
    d.StartInputDevice();
    std::vector<std::int16_t> all;
    for (int i = 0; i < passes; ++i) {
      const bool a = i % 2 == 0;
      queue(!a);
      form->DeviceTimedOut = 0;  // the watchdog, armed for each wait
      form->TimeoutTimer.setEnabled(true);
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

  TempDir tmp;
  RealTimeHost host;
  std::unique_ptr<PortAudioBackend> audio;
  std::unique_ptr<TVOXForm> form;
};

}  // namespace

// The output double buffer plays the tone while the input double buffer
// captures the monitor, the output served between the input waits the way the
// record loop monitors its input; then another client plays the tone alone.
TEST_F(RealAudio, AToneGoesOutAndComesBackInThroughTheDoubleBuffers) {
  WaveDevices& d = form->devices;
  const auto sound = tone(20 * 1024);
  std::size_t next = 0;
  auto write = [&](bool a) {
    std::memcpy((a ? form->OutputBufferA : form->OutputBufferB).get(), &sound[next], 2048);  // native 16-bit samples
    next += 1024;
    a ? d.RearmOutputHeaderA() : d.RearmOutputHeaderB();
    a ? d.PrepareOutputHeaderA() : d.PrepareOutputHeaderB();
    a ? d.WriteOutputBufferA() : d.WriteOutputBufferB();
  };
  d.SetupOutputHeaders();
  d.OpenOutputDevice();
  write(true);
  write(false);
  const auto played = capture(16, [&](bool a) {
    a ? d.WaitOutputBufferA() : d.WaitOutputBufferB();
    a ? d.UnprepareOutputHeaderA() : d.UnprepareOutputHeaderB();
    write(a);
  });
  EXPECT_GE(d.GetOutputPosition(), 16u * 2048);
  d.ResetOutputDevice();
  d.CloseOutputDevice();
  expectTone(lastSixBlocks(played));

  writeRaw(tmp.file("tone.raw"), tone(2 * 11025));
  playRaw(tmp.file("tone.raw"));
  const auto captured = capture(14);
  EXPECT_EQ(captured.size(), 14u * 1024);
  expectTone(lastSixBlocks(captured));
}

// Two seconds of the tone in a WAV file, played by the form while another
// client records the sink's monitor.
TEST_F(RealAudio, PlayingAFileReachesTheSink) {
  const std::string path = tmp.file("play.wav"), heard = tmp.file("heard.raw");
  const auto t = tone(2 * 11025);
  const auto header = WavHeader::build(form->WaveFormat, static_cast<std::uint32_t>(t.size() * 2));
  writeRaw(path, t, {header.begin(), header.end()});
  recordSink(heard, 5);
  host.sleepMs(300);
  host.queueFileChoice(path);
  form->PlayBtn.click();  // plays to the end of the data
  EXPECT_EQ(form->ActivityState, ActivityStopped);
  host.sleepMs(5000);  // the recorder's own time limit
  expectTone(loudestSixBlocks(readRaw(heard)));
}

// Logging for real: three spoken calls with silences between them, recorded
// with VOX in one-file-per-transmission mode, give a file per call and a log
// row per file.
TEST_F(RealAudio, SpokenCallsMakeOneFileEachAndALogRowEach) {
  const std::string dir = tmp.path().string();
  std::vector<std::int16_t> script;
  std::vector<double> callSeconds;
  for (const char* words : {"Unit twelve, respond to the north gate", "Copy that", "All units, stand by"}) {
    const std::string make = std::string("espeak-ng -w ") + dir + "/call.wav \"" + words + "\" && sox " + dir +
                             "/call.wav -r 11025 -c 1 -b 16 -e signed-integer -t raw " + dir + "/call.raw";
    ASSERT_EQ(std::system(make.c_str()), 0) << "espeak-ng and sox make the calls";
    const auto call = readRaw(dir + "/call.raw");
    callSeconds.push_back(static_cast<double>(call.size()) / 11025);
    script.insert(script.end(), call.begin(), call.end());
    script.insert(script.end(), 3 * 11025, 0);
  }
  writeRaw(dir + "/script.raw", script);
  host.setWallClock(std::time(nullptr));
  form->transmissions.settings = LoggingSettings{1, true, 0, 0};
  form->MuteCheckBox.click();
  form->VoxCheckBox.click();
  voxLevels(*form, 12, 1);  // 1 s hang: the pauses inside a call stay in it
  host.queueFileChoice(dir + "/calls.wav");
  host.after(300, [&] { playRaw(dir + "/script.raw"); });
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
  const std::string path = tmp.file("48k.flac"), raw = tmp.file("48k.raw");
  ASSERT_EQ(std::system(("sox -q -n -r 48000 -c 2 -b 16 -e signed -t raw " + raw + " synth 3 sine 1000 vol 0.37").c_str()), 0);
  form->Stereo2Click();
  form->N48000Hz1Click();
  form->MuteCheckBox.click();
  host.queueFileChoice(path);
  host.after(300, [&] { playRaw(raw, 48000, 2); });
  host.after(3000, [&] { form->StopBtn.click(); });
  form->RecordBtn.click();

  const Decoded d = decode(path);
  ASSERT_EQ(std::tuple(d.ok, d.rate, d.channels), std::tuple(true, 48000, 2));
  for (int c = 0; c < 2; ++c) EXPECT_NEAR(d.pitch(c, 1.2, 2.2), 1000.0, 5.0) << "channel " << c;  // the middle second
}
