#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "FormFixture.h"
#include "TempDir.h"
#include "WavBytes.h"
#include "audio/SimSoundSource.h"

namespace quorvane::test {

// Sound that tells where it came from. Buffer (or file block) k of 1024 frames
// alternates +-(3000 + k) when loud and +-(1 + k) when quiet (under the 0 dB
// threshold, a level of 1000). Its mean is zero, so the DC step leaves it
// alone, and with gain 1 and no filter a written or played buffer tells which
// one it was.
constexpr int Frames = 1024;  // one buffer at 11025 Hz
constexpr double BufferMs = Frames * 1000.0 / 11025;
using Loudness = std::function<bool(int)>;
inline bool allLoud(int) { return true; }

inline std::int16_t marked(std::uint64_t frame, bool loud) {
  const auto m = static_cast<std::int16_t>((loud ? 3000 : 1) + static_cast<int>(frame / Frames));
  return frame % 2 ? m : static_cast<std::int16_t>(-m);
}
inline int markerOf(int sample) { return std::abs(sample) >= 3000 ? std::abs(sample) - 3000 : std::abs(sample) - 1; }
inline bool within(int k, std::initializer_list<std::pair<int, int>> spans) {
  return std::any_of(spans.begin(), spans.end(), [k](auto span) { return k >= span.first && k < span.second; });
}
inline std::vector<int> range(int from, int to) {
  std::vector<int> v;
  for (int k = from; k < to; ++k) v.push_back(k);
  return v;
}

inline SimSoundSource markedSource(Loudness loud = allLoud) {
  return SimSoundSource::generator([loud](std::uint64_t f, unsigned) { return marked(f, loud(int(f / Frames))); });
}

// A mono (or stereo, the right channel the negative of the left) WAV file, 11025 Hz unless told.
inline std::string markedWav(const std::string& path, int blocks, Loudness loud = allLoud, int extraFrames = 0,
                             unsigned channels = 1, std::uint32_t rate = 11025) {
  WavBytes w;
  const auto frames = static_cast<std::uint32_t>(blocks * Frames + extraFrames);
  w.header(static_cast<std::uint16_t>(channels), rate).raw("data").u32(frames * 2 * channels);
  for (std::uint32_t f = 0; f < frames; ++f) {
    const std::int16_t v = marked(f, loud(static_cast<int>(f / Frames)));
    for (unsigned c = 0; c < channels; ++c) w.u16(static_cast<std::uint16_t>(c == 0 ? v : -v));
  }
  writeAll(path, w.bytes);
  return path;
}

// The buffer numbers in a recorded mono WAV file, in file order. The header
// counts the data, and the data is whole buffers, none of them torn.
inline std::vector<int> buffersIn(const std::string& path) {
  const auto bytes = readAll(path);
  if (bytes.size() < 44) {
    ADD_FAILURE() << path << " holds " << bytes.size() << " bytes";
    return {};
  }
  EXPECT_EQ(u32At(bytes, 40), bytes.size() - 44) << path;
  EXPECT_EQ(u32At(bytes, 4), bytes.size() - 8) << path;
  EXPECT_EQ((bytes.size() - 44) % (2 * Frames), 0u) << path;
  std::vector<int> ks;
  for (std::size_t off = 44; off + 2 * Frames <= bytes.size(); off += 2 * Frames) {
    const int m = std::abs(s16At(bytes, off + 2));
    for (int i = 0; i < Frames; ++i) EXPECT_EQ(std::abs(s16At(bytes, off + 2 * i)), m) << path << ": torn at " << off;
    ks.push_back(markerOf(m));
  }
  return ks;
}

// Sample by sample, for files where a pause or a stall no longer lets buffers
// line up with the numbering: the numbers only ever grow, so nothing was
// written twice (silence stands in for sound a stalled device never delivered).
inline void expectMarkersInOrder(const std::string& path) {
  const auto bytes = readAll(path);
  ASSERT_GE(bytes.size(), 44u) << path;
  ASSERT_EQ(u32At(bytes, 40), bytes.size() - 44) << path;
  int previous = -1;
  for (std::size_t off = 44; off + 1 < bytes.size(); off += 2) {
    const int v = s16At(bytes, off);
    if (v == 0) continue;
    ASSERT_GE(markerOf(v), previous) << path << " at byte " << off;
    previous = markerOf(v);
  }
}

// A started window capturing marked sound, with what most loop tests do to it.
class MarkedForm : public FormFixture {
 protected:
  MarkedForm() {
    startUp();
    audio.setSource(0, markedSource());
  }
  // Records into `path` until Stop `ms` later; returns when the loop has ended.
  void record(const std::string& path, std::int64_t ms) {
    host.queueFileChoice(path);
    host.after(ms, [this] { form.StopBtn.click(); });
    form.RecordBtn.click();
  }
  // VOX on at 0 dB (a level of 1000), the hang at a position (0: 500 ms).
  void voxAtZeroDb(int hang = 0) {
    form.VoxCheckBox.click();
    voxLevels(form, 0, hang);
  }
  // The level of each block of 1024 samples the sink received, in order (0: silence),
  // told by its second sample; `whole`: every sample of the block has that level.
  std::vector<int> levelsPlayed(bool whole = false) {
    const auto& s = audio.sink().samples();
    std::vector<int> levels;
    for (std::size_t off = 0; off + Frames <= s.size(); off += Frames) {
      const int m = std::abs(s[off + 1]);
      const bool torn = !std::all_of(&s[off], &s[off] + Frames, [m](int v) { return std::abs(v) == m; });
      EXPECT_FALSE(whole && torn) << "torn at " << off;
      levels.push_back(m);
    }
    return levels;
  }
};

}  // namespace quorvane::test
