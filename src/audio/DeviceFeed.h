#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "audio/SoundRing.h"

namespace quorvane {

// What one open sound device and the program share while sound flows: a ring
// of several seconds between the device's own side (PortAudio's callback
// thread, or the simulated device's clock) and the program, and the counts of
// sound that could not be kept. A late program catches up from the ring
// instead of losing what the device captured meanwhile. The device side
// calls only capture(), play() and finished(); it never allocates, locks or
// blocks. A stream that cannot be closed in time keeps its feed alive
// (shared ownership), so its callback never writes into freed memory.
struct DeviceFeed {
  DeviceFeed(std::size_t ringBytes, unsigned frameBytes) : ring(ringBytes), frameBytes(frameBytes) {}

  // --- device side ---
  // Captured sound into the ring; what does not fit is lost and counted, as
  // is an overflow the device reports itself. Null input is silence.
  void capture(const std::uint8_t* in, std::size_t bytes, bool deviceOverflowed = false);
  // Sound for the device from the ring, silence after it. An underflow the
  // device reports (it played a gap of its own) is counted.
  void play(std::uint8_t* out, std::size_t bytes, bool deviceUnderflowed = false);
  // The stream has stopped: asked to, or on its own (its server went away).
  void finished() {
    ended.store(true, std::memory_order_release);
    wake();
  }
  // The program's side sets wakeAt before it sleeps; the device side wakes it
  // once, when it has captured or played up to wakeAt bytes. One wake-up per buffer instead of a look every
  // few milliseconds.
  void wakeIfDue(std::uint64_t reached);
  void wake();

  SoundRing ring;
  const unsigned frameBytes;
  std::atomic<std::uint32_t> overruns{0};
  std::atomic<std::uint32_t> underruns{0};
  // Playback: bytes of the program's sound the device has played.
  std::atomic<std::uint64_t> played{0};
  // Capture: bytes the device has put into the ring, ever.
  std::atomic<std::uint64_t> captured{0};
  std::atomic<bool> ended{false};
  // Moves on every capture() and play().
  std::atomic<std::uint64_t> activity{0};
  // 0: nobody waits. Set before the stream starts, fixed while it runs.
  std::atomic<std::uint64_t> wakeAt{0};
  int wakeFd = -1;
};

}  // namespace quorvane
