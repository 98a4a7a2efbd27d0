#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "ToneCheck.h"
#include "app/TVOXForm.h"
#include "audio/PortAudioBackend.h"
#include "platform/SimHost.h"

// Real sound through the private PulseAudio server of scripts/start-pulse.sh:
// its null sink swallows what is played and its monitor gives it back, so
// sound goes through PortAudio, ALSA and the server without a sound card.
// One source file of a test program includes this: under the leak checker,
// the libraries ALSA opens at run time (its pulse plugin and what that pulls
// in) keep what their initialisers allocated until the process ends. Not ours
// to free; the stacks only reach the loader when unwound the slow way.
extern "C" const char* __lsan_default_suppressions() { return "leak:_dl_init\n"; }
extern "C" const char* __lsan_default_options() { return "fast_unwind_on_malloc=0"; }

namespace quorvane::test {

// Points the sound library at the private server, never a desktop's sound;
// false when no server answers there.
inline bool usePrivateServer() {
  const char* dir = std::getenv("QUORVANE_PULSE_DIR");
  const std::string server = std::string("unix:") + (dir && *dir ? dir : "/tmp/quorvane-pulse") + "/native";
  setenv("PULSE_SERVER", server.c_str(), 1);
  return std::system("pactl info >/dev/null 2>&1") == 0;
}

// Both sides on the ALSA 'pulse' device; false when PortAudio lists none (libasound2-plugins).
inline bool choosePulseDevices(TVOXForm& form, PortAudioBackend& audio) {
  for (const WaveDirection d : {WaveDirection::Input, WaveDirection::Output}) {
    int& id = d == WaveDirection::Input ? form.InputDeviceId : form.OutputDeviceId;
    for (id = 0; id < audio.deviceCount(d) && audio.productName(d, id) != "pulse";) ++id;
    if (id == audio.deviceCount(d)) return false;
  }
  return true;
}

// The simulated host, except that sleeping really sleeps: its clock and
// timers move with the waits, in step with the real devices. No window.
class RealTimeHost : public SimHost {
 public:
  void sleepMs(int ms) override {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    SimHost::sleepMs(ms);
  }
};

// A 1 kHz tone at 11025 Hz with a peak of 12000.
constexpr double ToneRms = 12000 / std::numbers::sqrt2;
inline std::vector<std::int16_t> tone(std::size_t samples) {
  std::vector<std::int16_t> v(samples);
  for (std::size_t i = 0; i < samples; ++i)
    v[i] = static_cast<std::int16_t>(std::lround(12000 * std::sin(2 * std::numbers::pi * 1000 * i / 11025)));
  return v;
}

inline void writeRaw(const std::string& path, const std::vector<std::int16_t>& s, const std::vector<std::uint8_t>& head = {}) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (!head.empty()) std::fwrite(head.data(), 1, head.size(), f);
    std::fwrite(s.data(), 2, s.size(), f);
    std::fclose(f);
  }
}
inline std::vector<std::int16_t> readRaw(const std::string& path) {
  std::vector<std::int16_t> s;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    for (std::int16_t v; std::fread(&v, 2, 1, f) == 1;) s.push_back(v);
    std::fclose(f);
  }
  return s;
}

// Another client plays a raw file into the null sink, or records its monitor
// for `seconds`, on its own so that no wait of the program is held up.
inline void playRaw(const std::string& path, int rate = 11025, int channels = 1) {
  const std::string cmd = "pacat --playback --raw --rate=" + std::to_string(rate) + " --channels=" +
                          std::to_string(channels) + " --format=s16le --device=quorvane_null < " + path + " &";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
}
inline void recordSink(const std::string& path, int seconds) {
  std::remove(path.c_str());
  const std::string cmd = "(timeout " + std::to_string(seconds) + " parec --raw --rate=11025 --channels=1 " +
                          "--format=s16le --device=quorvane_null.monitor > " + path + ") &";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
}

// The RMS of each 1024-sample block.
inline std::vector<double> blockRms(const std::vector<std::int16_t>& s) {
  std::vector<double> out;
  for (std::size_t off = 0; off + 1024 <= s.size(); off += 1024) {
    double sum = 0;
    for (std::size_t i = off; i < off + 1024; ++i) sum += static_cast<double>(s[i]) * s[i];
    out.push_back(std::sqrt(sum / 1024));
  }
  return out;
}

// Three one-second bursts of the tone, 2.5 s of silence after each, and the
// settings that record them with VOX: a threshold far above the silence and
// under the tone, a 0.5 s hang. Mute first: the monitor would feed back.
inline std::vector<std::int16_t> toneBursts() {
  std::vector<std::int16_t> s, t = tone(11025);
  for (int b = 0; b < 3; ++b) {
    s.insert(s.end(), t.begin(), t.end());
    s.insert(s.end(), static_cast<std::size_t>(2.5 * 11025), 0);
  }
  return s;
}
inline void voxLevels(TVOXForm& form, int threshold, int hang) {
  form.InputThresholdUpDn.setPosition(threshold);
  form.InputThresholdUpDnClick();
  form.InputUpDnGain.setPosition(hang);
  form.InputUpDnGainClick();
}

// A VOX recording of the bursts over 11 s keeps them and drops the silences;
// returns how many blocks are loud.
inline int expectBurstsKept(const std::vector<std::int16_t>& recorded) {
  int loud = 0, longestQuiet = 0, quiet = 0;
  for (double l : blockRms(recorded)) {
    if (l > 0.5 * ToneRms) {
      ++loud;
      quiet = 0;
    } else {
      longestQuiet = std::max(longestQuiet, ++quiet);
    }
  }
  std::printf("recorded %.1f s, %d loud blocks, longest quiet run %d blocks\n", recorded.size() / 11025.0, loud,
              longestQuiet);
  EXPECT_GE(loud, 25);                       // the three bursts: about 32 blocks
  EXPECT_LE(recorded.size(), 6.5 * 11025);   // of 11 s listened to: the long silences are gone
  EXPECT_LE(longestQuiet, 12);               // at most a hang's worth of quiet in a row, never 2.5 s
  return loud;
}

}  // namespace quorvane::test
