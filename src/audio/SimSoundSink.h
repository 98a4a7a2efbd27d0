#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvane {

// What a simulated playback device has played, silence included, as the
// device's interleaved samples. Keeps at most a bounded number of samples so
// that a long run in virtual time stays small; the counts go on regardless.
class SimSoundSink {
 public:
  explicit SimSoundSink(std::size_t keepSamples = std::size_t{1} << 22) : keep_(keepSamples) {}

  void append(const std::int16_t* interleaved, std::size_t samples);
  void clear();

  // The first samples played (up to the limit), in order.
  const std::vector<std::int16_t>& samples() const { return samples_; }
  std::uint64_t samplesPlayed() const { return played_; }

 private:
  std::size_t keep_;
  std::vector<std::int16_t> samples_;
  std::uint64_t played_ = 0;
};

}  // namespace quorvane
