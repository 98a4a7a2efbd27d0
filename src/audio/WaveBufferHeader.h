#pragma once

#include <atomic>
#include <cstdint>

namespace quorvane {

// Header flags. The program reads only Done; the device layer keeps the others.
inline constexpr std::uint32_t WaveHeaderDone = 0x01;
inline constexpr std::uint32_t WaveHeaderPrepared = 0x02;
inline constexpr std::uint32_t WaveHeaderInQueue = 0x10;

// One buffer handed to a sound device. While the header is queued the device
// owns the data and may be running on its own thread: it writes the sound
// (capture) or reads it (playback), then publishes bytesRecorded and finally
// sets Done with release ordering. The program polls done() (acquire) and
// only then touches the data again.
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
