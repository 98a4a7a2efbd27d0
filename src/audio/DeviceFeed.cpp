#include "audio/DeviceFeed.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace quorvane {

void DeviceFeed::capture(const std::uint8_t* in, std::size_t bytes, bool deviceOverflowed) {
  // Whole frames only, so a full ring never leaves half a frame behind.
  const std::size_t room = (ring.capacity() - ring.readable()) / frameBytes * frameBytes;
  const std::size_t kept = ring.write(in, std::min(bytes, room));
  if (kept < bytes || deviceOverflowed) overruns.fetch_add(1, std::memory_order_relaxed);
  const std::uint64_t total = captured.load(std::memory_order_relaxed) + kept;
  captured.store(total, std::memory_order_release);
  activity.fetch_add(1, std::memory_order_release);
  wakeIfDue(total);
}

void DeviceFeed::play(std::uint8_t* out, std::size_t bytes, bool deviceUnderflowed) {
  const std::size_t got = ring.read(out, bytes);
  played.store(played.load(std::memory_order_relaxed) + got, std::memory_order_release);
  if (got < bytes) std::memset(out + got, 0, bytes - got);
  if (deviceUnderflowed) underruns.fetch_add(1, std::memory_order_relaxed);
  activity.fetch_add(1, std::memory_order_release);
  wakeIfDue(played.load(std::memory_order_relaxed));
}

void DeviceFeed::wakeIfDue(std::uint64_t reached) {
  std::uint64_t at = wakeAt.load(std::memory_order_acquire);
  if (at != 0 && reached >= at && wakeAt.compare_exchange_strong(at, 0, std::memory_order_acq_rel)) wake();
}

void DeviceFeed::wake() {
  if (wakeFd < 0) return;
  // An eventfd count: never blocks (the descriptor is non-blocking), and a
  // full count already means "wake up".
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto n = ::write(wakeFd, &one, sizeof one);
}

}  // namespace quorvane
