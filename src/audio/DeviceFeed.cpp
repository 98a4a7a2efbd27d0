#include "audio/DeviceFeed.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

void DeviceFeed::capture(const std::uint8_t* in, std::size_t bytes, bool deviceOverflowed) {
  // Whole frames only, so a full ring never leaves half a frame behind.
  const std::size_t room = (ring.capacity() - ring.readable()) / frameBytes * frameBytes;
  const bool lost = ring.write(in, std::min(bytes, room)) < bytes;
  if (lost || deviceOverflowed) overruns.fetch_add(1, std::memory_order_relaxed);
  activity.fetch_add(1, std::memory_order_release);
}

void DeviceFeed::play(std::uint8_t* out, std::size_t bytes, bool deviceUnderflowed) {
  const std::size_t got = ring.read(out, bytes);
  played.store(played.load(std::memory_order_relaxed) + got, std::memory_order_release);
  if (got < bytes) std::memset(out + got, 0, bytes - got);
  if (deviceUnderflowed) underruns.fetch_add(1, std::memory_order_relaxed);
  activity.fetch_add(1, std::memory_order_release);
}

}  // namespace quorvane
