#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "RealTimeHost.h"
#include "app/TVOXForm.h"
#include "audio/PortAudioBackend.h"

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
