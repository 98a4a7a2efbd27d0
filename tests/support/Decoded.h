#pragma once

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::test {

// A sound file as an independent decoder (libsndfile) reads it.
struct Decoded {
  bool ok = false;
  int rate = 0, channels = 0;
  std::vector<std::int16_t> samples;  // interleaved

  std::size_t frames() const { return channels ? samples.size() / static_cast<std::size_t>(channels) : 0; }
  double seconds() const { return rate ? static_cast<double>(frames()) / rate : 0.0; }

  // The frequency of a tone on one channel, from its rising zero crossings
  // between two times (seconds into the file).
  double pitch(int channel, double from, double to) const {
    const auto end = std::min(frames(), static_cast<std::size_t>(to * rate));
    std::size_t first = 0, last = 0, crossings = 0;
    for (auto i = static_cast<std::size_t>(from * rate) + 1; i < end; ++i) {
      if (at(i - 1, channel) >= 0 || at(i, channel) < 0) continue;
      if (crossings++ == 0) first = i;
      last = i;
    }
    return crossings > 1 ? static_cast<double>(crossings - 1) * rate / static_cast<double>(last - first) : 0.0;
  }
  std::int16_t at(std::size_t frame, int c) const { return samples[frame * unsigned(channels) + unsigned(c)]; }
};

inline Decoded decode(const std::string& path) {
  Decoded d;
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return d;
  d.rate = info.samplerate;
  d.channels = info.channels;
  std::vector<std::int16_t> block(4096 * static_cast<std::size_t>(info.channels));
  sf_count_t got;
  while ((got = sf_readf_short(f, block.data(), 4096)) > 0)
    d.samples.insert(d.samples.end(), block.begin(), block.begin() + got * info.channels);
  d.ok = sf_error(f) == SF_ERR_NO_ERROR;
  sf_close(f);
  return d;
}

}  // namespace quorvane::test
