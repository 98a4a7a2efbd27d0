#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "audio/WaveBufferHeader.h"

namespace quorvane {

// The buffers one open sound device holds, in the order they were handed
// over, and how far each has got. Captured sound is moved into the headers,
// and sound to be played out of them, strictly in order and on the program's
// thread: the device's own thread only ever meets the ring of its DeviceFeed,
// so a header is never touched by two threads. A capture header is done when
// full. A playback header is done once the device has played it
// (playedUpTo), unless the caller declares it done as soon as it is taken
// (a monitor). The queue has a fixed capacity and never allocates.
class WaveHeaderQueue {
 public:
  static constexpr std::size_t Capacity = 8;

  // Hands a header over: clears its done flag and its byte count. False when
  // the queue is full.
  bool push(WaveBufferHeader& header);
  // Headers handed over and not yet returned done.
  std::uint32_t held() const { return static_cast<std::uint32_t>(count_); }
  // Bytes captured into or taken from headers since the device started or
  // was last flushed. Wraps at 2^32 like the wave API's byte position.
  std::uint32_t position() const { return static_cast<std::uint32_t>(taken_); }
  // Bytes still to be filled, or still to be taken for playing.
  std::size_t pendingBytes() const { return pending_; }
  // Capture: bytes the first header still lacks (0 with none held).
  std::size_t firstLacks() const;
  // Playback: where in what was taken the first header's sound ends, once it
  // has been taken whole (0 before).
  std::uint64_t firstEnd() const { return taken_whole_ > 0 ? entries_[first_].end : 0; }
  // Returns every header still held, marked done (a partly filled one keeps
  // its byte count), and sets the position back to zero.
  void flush();

  // Stores captured bytes into the queued headers (a null input is silence);
  // returns how many found a header.
  std::size_t capture(const std::uint8_t* in, std::size_t bytes);
  // Takes up to `bytes` of queued playback data into out and returns how
  // many; null out drops them instead (they count as played at once).
  std::size_t play(std::uint8_t* out, std::size_t bytes);
  // Playback headers whose sound ends within the first `bytes` taken are done.
  void playedUpTo(std::uint64_t bytes);

 private:
  struct Entry {
    WaveBufferHeader* header = nullptr;
    std::uint64_t end = 0;  // where its sound ends in what was taken
  };
  Entry& at(std::size_t i) { return entries_[(first_ + i) % Capacity]; }
  void finishFirst();

  std::array<Entry, Capacity> entries_{};
  std::size_t first_ = 0;
  std::size_t count_ = 0;
  std::size_t taken_whole_ = 0;  // leading entries wholly taken, waiting to be played
  std::uint32_t offset_ = 0;     // how far the entry after them has got
  std::size_t pending_ = 0;
  std::uint64_t taken_ = 0;
};

}  // namespace quorvane
