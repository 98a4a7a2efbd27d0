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
// sink swallows what is played and its monitor source gives it back, so real
// sound goes through PortAudio, ALSA and the server without a sound card.
// The checks are on the sound, never on how long anything took.

// Under the leak checker: the libraries ALSA opens at run time (its pulse
// plugin and what that pulls in) keep what their initialisers allocated until
// the process ends. Not ours to free; the stacks only reach the loader when
// they are unwound the slow way.
extern "C" const char* __lsan_default_suppressions() { return "leak:_dl_init\n"; }
extern "C" const char* __lsan_default_options() { return "fast_unwind_on_malloc=0"; }

namespace {

constexpr std::uint32_t Rate = 11025;
constexpr double ToneHz = 1000.0;
constexpr double ToneAmplitude = 12000.0;

std::string pulseServer() {
  const char* dir = std::getenv("QUORVANE_PULSE_DIR");
  return std::string("unix:") + (dir && *dir ? dir : "/tmp/quorvane-pulse") + "/native";
}

std::vector<std::int16_t> tone(std::size_t samples) {
  std::vector<std::int16_t> v(samples);
  for (std::size_t i = 0; i < samples; ++i)
    v[i] = static_cast<std::int16_t>(std::lround(ToneAmplitude * std::sin(2 * std::numbers::pi * ToneHz * i / Rate)));
  return v;
}

// The dominant frequency from the upward zero crossings, interpolated.
double frequencyOf(const std::vector<std::int16_t>& s) {
  double first = -1, last = -1;
  int crossings = 0;
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (s[i - 1] < 0 && s[i] >= 0) {
      const double at = static_cast<double>(i - 1) + static_cast<double>(-s[i - 1]) / (s[i] - s[i - 1]);
      if (first < 0) first = at;
      last = at;
      ++crossings;
    }
  }
  return crossings < 2 ? 0.0 : (crossings - 1) * Rate / (last - first);
}

double rmsOf(const std::vector<std::int16_t>& s) {
  double sum = 0;
  for (std::int16_t v : s) sum += static_cast<double>(v) * v;
  return s.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(s.size()));
}

int indexOf(WaveBackend& audio, WaveDirection direction, const std::string& name) {
  for (int i = 0; i < audio.deviceCount(direction); ++i)
    if (audio.productName(direction, i) == name) return i;
  return -1;
}

class RealAudio : public ::testing::Test {
 protected:
  void SetUp() override {
    // Only ever the private server: never the sound of a desktop session.
    setenv("PULSE_SERVER", pulseServer().c_str(), 1);
    if (std::system("pactl info >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "no PulseAudio server at " << pulseServer() << " (start one with scripts/start-pulse.sh)";
    audio = std::make_unique<PortAudioBackend>();
    if (!audio->available()) GTEST_SKIP() << "PortAudio did not initialise";
    const int in = indexOf(*audio, WaveDirection::Input, "pulse");
    const int out = indexOf(*audio, WaveDirection::Output, "pulse");
    if (in < 0 || out < 0) GTEST_SKIP() << "PortAudio lists no ALSA 'pulse' device (libasound2-plugins)";
    form = std::make_unique<TVOXForm>(host, *audio);
    form->InputDeviceId = in;
    form->OutputDeviceId = out;
    form->StopRequested = 0;
  }

  void TearDown() override {
    if (form) {
      form->devices.ReleaseDevices();
      EXPECT_TRUE(host.messages().empty()) << host.messages().front().text;
    }
  }

  WaveDevices& dev() { return form->devices; }

  void armWatchdog() {
    form->DeviceTimedOut = 0;
    form->TimeoutTimer.setEnabled(false);
    form->TimeoutTimer.setEnabled(true);
  }

  static std::vector<std::int16_t> samplesOf(const std::uint8_t* b, std::uint32_t bytes) {
    std::vector<std::int16_t> v(bytes / 2);
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<std::int16_t>(b[2 * i] | (b[2 * i + 1] << 8));
    return v;
  }

  // Captures `passes` buffers through the double buffer as the record loop
  // does; `between` runs after each completed buffer (a monitor write).
  std::vector<std::int16_t> capture(int passes, const std::function<void(int)>& between = {}) {
    dev().SetupInputHeaders();
    dev().OpenInputDevice();
    dev().RearmInputHeaderA();
    dev().PrepareInputHeaderA();
    dev().AddInputBufferA();
    dev().StartInputDevice();
    std::vector<std::int16_t> all;
    for (int i = 0; i < passes; ++i) {
      const bool a = i % 2 == 0;
      if (a) {
        dev().RearmInputHeaderB();
        dev().PrepareInputHeaderB();
        dev().AddInputBufferB();
      } else {
        dev().RearmInputHeaderA();
        dev().PrepareInputHeaderA();
        dev().AddInputBufferA();
      }
      armWatchdog();
      const std::uint32_t bytes = a ? dev().WaitInputBufferA() : dev().WaitInputBufferB();
      if (a)
        dev().UnprepareInputHeaderA();
      else
        dev().UnprepareInputHeaderB();
      form->TimeoutTimer.setEnabled(false);
      const auto got = samplesOf((a ? form->InputBufferA : form->InputBufferB).get(), bytes);
      all.insert(all.end(), got.begin(), got.end());
      if (between) between(i);
    }
    dev().ResetInputDevice();
    dev().CloseInputDevice();
    return all;
  }

  // The tone's frequency within 1.5 %, its level within 20 %.
  static void expectTone(const std::vector<std::int16_t>& s) {
    const double hz = frequencyOf(s);
    const double rms = rmsOf(s);
    std::printf("captured %.1f Hz at RMS %.0f (played %.0f Hz at RMS %.0f)\n", hz, rms, ToneHz,
                ToneAmplitude / std::numbers::sqrt2);
    EXPECT_NEAR(hz, ToneHz, 15.0);
    EXPECT_NEAR(rms, ToneAmplitude / std::numbers::sqrt2, 0.2 * ToneAmplitude / std::numbers::sqrt2);
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
  const auto sound = tone(2 * Rate);
  ASSERT_EQ(std::fwrite(sound.data(), 2, sound.size(), player), sound.size());
  std::fflush(player);

  const auto captured = capture(14);
  pclose(player);

  ASSERT_EQ(captured.size(), 14u * 1024);
  // The last half second is well inside the tone, whatever the latencies.
  const std::vector<std::int16_t> steady(captured.end() - 6 * 1024, captured.end());
  expectTone(steady);
  EXPECT_EQ(form->LastDeviceResult, WaveNoError);
}

TEST_F(RealAudio, PlaybackThroughTheOutputOperationsReachesTheSink) {
  // The tone goes out through the output double buffer while the sink's
  // monitor is captured, the way the record loop monitors its input.
  const auto sound = tone(Rate);
  std::size_t next = 0;
  auto write = [&](bool a) {
    std::uint8_t* buffer = (a ? form->OutputBufferA : form->OutputBufferB).get();
    for (std::size_t i = 0; i < 1024; ++i, ++next) {
      const auto v = static_cast<std::uint16_t>(sound[next % sound.size()]);
      buffer[2 * i] = static_cast<std::uint8_t>(v & 0xFF);
      buffer[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    if (a) {
      dev().RearmOutputHeaderA();
      dev().PrepareOutputHeaderA();
      dev().WriteOutputBufferA();
    } else {
      dev().RearmOutputHeaderB();
      dev().PrepareOutputHeaderB();
      dev().WriteOutputBufferB();
    }
  };
  dev().SetupOutputHeaders();
  dev().OpenOutputDevice();
  write(true);
  write(false);

  const auto captured = capture(16, [&](int pass) {
    const bool a = pass % 2 == 0;
    armWatchdog();
    if (a) {
      dev().WaitOutputBufferA();
      dev().UnprepareOutputHeaderA();
    } else {
      dev().WaitOutputBufferB();
      dev().UnprepareOutputHeaderB();
    }
    form->TimeoutTimer.setEnabled(false);
    write(a);
  });
  const std::uint32_t played = dev().GetOutputPosition();
  dev().ResetOutputDevice();
  dev().CloseOutputDevice();

  EXPECT_GE(played, 16u * 2048);
  const std::vector<std::int16_t> steady(captured.end() - 6 * 1024, captured.end());
  expectTone(steady);
}
