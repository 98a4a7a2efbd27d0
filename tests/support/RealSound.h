#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "Decoded.h"
#include "FormFixture.h"
#include "ToneCheck.h"
#include "platform/SimHost.h"

// Real sound through the private PulseAudio server of scripts/start-pulse.sh:
// its null sink swallows what is played and its monitor gives it back, so
// sound goes through PortAudio, ALSA and the server without a sound card.

namespace quorvane::test {

// Points the sound library at the private server, never a desktop's sound;
// false when no server answers there.
inline bool usePrivateServer() {
  const char* dir = std::getenv("QUORVANE_PULSE_DIR");
  const std::string server = std::string("unix:") + (dir && *dir ? dir : "/tmp/quorvane-pulse") + "/native";
  setenv("PULSE_SERVER", server.c_str(), 1);
  return std::system("pactl info >/dev/null 2>&1") == 0;
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

inline void writeRaw(const std::string& path, const std::vector<std::int16_t>& s, std::vector<std::uint8_t> head = {}) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(s.data());
  head.insert(head.end(), bytes, bytes + 2 * s.size());
  writeAll(path, head);
}
inline std::vector<std::int16_t> readRaw(const std::string& path) {
  const std::vector<std::uint8_t> bytes = readAll(path);
  std::vector<std::int16_t> s(bytes.size() / 2);
  std::memcpy(s.data(), bytes.data(), 2 * s.size());
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
  const std::string cmd = "(timeout " + std::to_string(seconds) + " parec --raw --rate=11025 --channels=1 " +
                          "--format=s16le --device=quorvane_null.monitor > " + path + ") &";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
}

// The RMS of each 1024-sample block.
inline std::vector<double> blockRms(const std::vector<std::int16_t>& s) {
  std::vector<double> out;
  for (auto b = s.begin(); s.end() - b >= 1024; b += 1024)
    out.push_back(std::sqrt(std::inner_product(b, b + 1024, b, 0.0) / 1024));
  return out;
}

// Six blocks well inside the tone: its frequency within 1.5 %, its level within 20 %.
inline void expectTone(const std::vector<std::int16_t>& s) {
  ASSERT_GE(s.size(), 6u * 1024);
  const double hz = Decoded{true, 11025, 1, s}.pitch(0, 0, s.size() / 11025.0);
  const double rms = std::sqrt(std::inner_product(s.begin(), s.end(), s.begin(), 0.0) / static_cast<double>(s.size()));
  std::printf("captured %.1f Hz at RMS %.0f (played 1000 Hz at RMS %.0f)\n", hz, rms, ToneRms);
  EXPECT_NEAR(hz, 1000, 15.0);
  EXPECT_NEAR(rms, ToneRms, 0.2 * ToneRms);
}
inline std::vector<std::int16_t> lastSixBlocks(const std::vector<std::int16_t>& s) {
  return {s.end() - std::min<std::ptrdiff_t>(6 * 1024, std::ssize(s)), s.end()};
}
// Of a sound that came and went, the loudest six blocks in a row.
inline std::vector<std::int16_t> loudestSixBlocks(const std::vector<std::int16_t>& s) {
  const auto levels = blockRms(s);
  auto loudness = [&](std::size_t b) { return std::accumulate(&levels[b], &levels[b + 6], 0.0); };
  std::size_t best = 0;
  for (std::size_t b = 1; b + 6 <= levels.size(); ++b) best = loudness(b) > loudness(best) ? b : best;
  const auto from = s.begin() + static_cast<std::ptrdiff_t>(best * 1024);
  return levels.size() < 6 ? s : std::vector<std::int16_t>(from, from + 6 * 1024);
}

// A VOX recording over 11 s of three one-second bursts of the tone, 2.5 s of
// silence after each, keeps them and drops the silences; returns how many
// blocks are loud.
inline int expectBurstsKept(const std::vector<std::int16_t>& recorded) {
  int loud = 0, longestQuiet = 0, quiet = 0;
  for (double l : blockRms(recorded)) {
    quiet = l > 0.5 * ToneRms ? 0 : quiet + 1;
    loud += quiet == 0;
    longestQuiet = std::max(longestQuiet, quiet);
  }
  std::printf("recorded %.1f s, %d loud blocks, longest quiet run %d blocks\n", recorded.size() / 11025.0, loud,
              longestQuiet);
  EXPECT_GE(loud, 25);                       // the three bursts: about 32 blocks
  EXPECT_LE(recorded.size(), 6.5 * 11025);   // of 11 s listened to: the long silences are gone
  EXPECT_LE(longestQuiet, 12);               // at most a hang's worth of quiet in a row, never 2.5 s
  return loud;
}

}  // namespace quorvane::test
