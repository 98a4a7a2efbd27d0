#pragma once

#include <atomic>
#include <cstdint>

namespace quorvane {

// Header flags. The program reads only Done; the device layer keeps the others.
inline constexpr std::uint32_t WaveHeaderDone = 0x01;
inline constexpr std::uint32_t WaveHeaderPrepared = 0x02;
inline constexpr std::uint32_t WaveHeaderInQueue = 0x10;

// One buffer handed to a sound device. While the header is queued the device
// layer owns the data: it moves sound into it (capture) or out of it
// (playback), publishes bytesRecorded and finally sets Done. The program
// polls done() and only then touches the data again. (The device's own
// thread never sees a header, only its ring; the atomics keep the header
// safe to look at from anywhere.)
class WaveBufferHeader {
 public:
  std::uint8_t* data = nullptr;
  std::uint32_t bufferLength = 0;
  std::atomic<std::uint32_t> bytesRecorded{0};
  std::atomic<std::uint32_t> flags{0};
  std::uint32_t loops = 0;
  std::uintptr_t user = 0;

  bool done() const { return (flags.load(std::memory_order_acquire) & WaveHeaderDone) != 0; }
  bool inQueue() const { return (flags.load(std::memory_order_acquire) & WaveHeaderInQueue) != 0; }
  bool prepared() const { return (flags.load(std::memory_order_acquire) & WaveHeaderPrepared) != 0; }
  std::uint32_t recorded() const { return bytesRecorded.load(std::memory_order_acquire); }
};

}  // namespace quorvane
