#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "audio/SpscQueue.h"
#include "audio/WaveBufferHeader.h"

namespace quorvane {

// The buffers one open sound device holds, in the order they were handed
// over, and what the device has done with them. The program side queues
// headers; the device side (a real-time audio callback, or the simulated
// device's clock) fills capture headers or drains playback headers strictly
// in order. Sound that arrives while no capture header is queued is lost, and
// playback with nothing queued is silence, just as on a double-buffered wave
// device. The device side never allocates, locks or blocks.
class WaveHeaderQueue {
 public:
  static constexpr std::size_t Capacity = 8;

  // --- program side ---
  // Hands a header over: clears its done flag and its byte count. False when
  // the queue is full.
  bool push(WaveBufferHeader& header);
  // Headers handed over and not yet returned done.
  std::uint32_t held() const { return held_.load(std::memory_order_acquire); }
  // Bytes captured into or played from headers since the device started or
  // was last flushed. Wraps at 2^32 like the wave API's byte position.
  std::uint32_t position() const { return position_.load(std::memory_order_acquire); }
  // Returns every header still held, marked done (a partly filled one keeps
  // its byte count), and sets the position back to zero. Only while the
  // device side is stopped: the caller takes over the consumer's role.
  void flush();

  // --- device side ---
  // Stores captured bytes into the queued headers; a null input is silence.
  void capture(const std::uint8_t* in, std::size_t bytes);
  // Fills out with queued playback data, then silence.
  void play(std::uint8_t* out, std::size_t bytes);

 private:
  WaveBufferHeader* current();
  void advance(WaveBufferHeader& header, std::uint32_t bytes);
  void finish(WaveBufferHeader& header);

  SpscQueue<WaveBufferHeader*, Capacity> queue_;
  // Owned by the device side: the header being worked on and how far.
  WaveBufferHeader* current_ = nullptr;
  std::uint32_t offset_ = 0;
  std::atomic<std::uint32_t> position_{0};
  std::atomic<std::uint32_t> held_{0};
};

}  // namespace quorvane
