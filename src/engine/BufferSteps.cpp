#include "engine/BufferSteps.h"

#include <bit>
#include <cstdlib>
#include <cstring>

namespace quorvane {

void BufferSteps::UnpackBuffer(const std::uint8_t* bytes, int n) {
  std::int32_t* w = c_.s.WorkSamples.data();
  if constexpr (std::endian::native == std::endian::little) {
    // The bytes are already the machine's own: whole values at once, which the compiler vectorises.
    for (int i = 0; i < n; ++i) {
      std::int16_t v;
      std::memcpy(&v, bytes + 2 * i, 2);
      w[i] = v;
    }
  } else {
    for (int i = 0; i < n; ++i)
      w[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
  }
}

void BufferSteps::RemoveDcOffset(int n, std::int32_t bufferCount, float& dcLevel) {
  if (n <= 0) return;
  std::int32_t* w = c_.s.WorkSamples.data();
  // The mean of the buffer, summed wide so no buffer length can overflow it.
  std::int64_t sum = 0;
  for (int i = 0; i < n; ++i) sum += w[i];
  const float mean = static_cast<float>(static_cast<double>(sum) / n);
  dcLevel = bufferCount < 2 ? mean : static_cast<float>((19.0f * dcLevel + mean) * 0.05f);
  const auto d = static_cast<std::int32_t>(dcLevel);
  for (int i = 0; i < n; ++i) w[i] -= d;
}

void BufferSteps::RemovePlayDcOffset(int n, std::int32_t bufferCount, std::int32_t& offset) {
  if (n <= 0) return;
  std::int32_t* w = c_.s.WorkSamples.data();
  std::int64_t sum = 0;
  for (int i = 0; i < n; ++i) sum += w[i];
  const float mean = static_cast<float>(static_cast<double>(sum) / n);
  offset = bufferCount < 2 ? static_cast<std::int32_t>(mean)
                           : static_cast<std::int32_t>((static_cast<float>(offset) * 49.0f + mean) * 0.02f);
  for (int i = 0; i < n; ++i) w[i] -= offset;
}

void BufferSteps::ApplyGain(int n) {
  std::int32_t* w = c_.s.WorkSamples.data();
  const std::int32_t g = c_.s.GainFactor;
  if (g == 1) return;  // 0 to 5 dB
  // At most 32767 x 100 after DC removal: well inside 32 bits.
  for (int i = 0; i < n; ++i) w[i] *= g;
}

void BufferSteps::UpdateVoxGate(int n) {
  auto& s = c_.s;
  auto& ui = c_.ui;
  std::int32_t peak = 0;
  for (int i = 0; i < n; ++i) {
    const std::int32_t a = std::abs(s.WorkSamples[static_cast<std::size_t>(i)]);
    s.AbsSamples[static_cast<std::size_t>(i)] = a;
    if (a > peak) peak = a;
  }
  s.PeakLevel = peak;
  s.ThresholdLevel = static_cast<std::int32_t>(1000.0f * s.ThresholdFactor);
  if (s.PeakLevel > s.ThresholdLevel) {
    s.GateOpen = 1;
    ui.SquelchTimer.setEnabled(false);
    ui.SquelchTimer.setEnabled(true);
    ui.SquelchLED.SetChecked(false);
    // A timed recording waiting for its start writes nothing, so its time does not run.
    const bool waitingForStart =
        s.ActivityState == ActivityRecording && s.TimerEnabled == 1 && s.ScheduleActive == 0;
    if (!waitingForStart) ui.RecordPlayTimer.SetCount(true);
  } else if (s.GateOpen == 0) {
    ui.SquelchLED.SetChecked(true);
    ui.RecordPlayTimer.SetCount(false);
  }
}

void BufferSteps::PackBuffer(std::uint8_t* bytes, int n) const {
  const std::int32_t* w = c_.s.WorkSamples.data();
  for (int i = 0; i < n; ++i) {
    const std::int32_t v = w[i] > 32767 ? 32767 : (w[i] < -32768 ? -32768 : w[i]);
    if constexpr (std::endian::native == std::endian::little) {
      const auto v16 = static_cast<std::int16_t>(v);
      std::memcpy(bytes + 2 * i, &v16, 2);
    } else {
      bytes[2 * i] = static_cast<std::uint8_t>(v & 0xFF);
      bytes[2 * i + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    }
  }
}

void BufferSteps::SquelchTimerTimer() {
  c_.ui.SquelchTimer.setEnabled(false);
  c_.s.GateOpen = 0;
  c_.ui.SquelchLED.SetChecked(c_.s.VoxEnabled == 1);
}

}  // namespace quorvane
