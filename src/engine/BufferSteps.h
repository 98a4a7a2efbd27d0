#pragma once

#include <cstdint>

#include "state/FormContext.h"

namespace quorvane {

// The per-buffer processing every loop shares: widen the 16-bit samples,
// take out the DC offset, apply the gain, gate by peak level, and pack back.
class BufferSteps {
 public:
  explicit BufferSteps(FormContext c) : c_(c) {}

  // WorkSamples[0..n) from n little-endian 16-bit values.
  void UnpackBuffer(const std::uint8_t* bytes, int n);
  // Subtracts the running DC level. The first two buffers of a run use their
  // own mean; from then on the level follows with weight 0.05 per buffer.
  void RemoveDcOffset(int n, std::int32_t bufferCount, float& dcLevel);
  // Playback's variant: a whole-number offset that follows with weight 0.02.
  void RemovePlayDcOffset(int n, std::int32_t bufferCount, std::int32_t& offset);
  void ApplyGain(int n);
  // The VOX gate: a peak above the threshold opens it and restarts the hang time.
  void UpdateVoxGate(int n);
  // WorkSamples back into 16-bit values. A sample beyond the 16-bit range is
  // held at the nearest limit: wrapping would turn a loud peak into harsh noise.
  void PackBuffer(std::uint8_t* bytes, int n) const;
  // The hang time has run out with no louder buffer.
  void SquelchTimerTimer();

 private:
  FormContext c_;
};

}  // namespace quorvane
