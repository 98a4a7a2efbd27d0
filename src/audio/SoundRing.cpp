#include "audio/SoundRing.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

std::pair<std::uint8_t*, std::size_t> SoundRing::writeRun() {
  const std::size_t w = writePos_.load(std::memory_order_relaxed);
  const std::size_t free = bytes_.size() - (w - readPos_.load(std::memory_order_acquire));
  const std::size_t at = w % bytes_.size();
  return {bytes_.data() + at, std::min(free, bytes_.size() - at)};
}

std::pair<const std::uint8_t*, std::size_t> SoundRing::readRun() const {
  const std::size_t r = readPos_.load(std::memory_order_relaxed);
  const std::size_t filled = writePos_.load(std::memory_order_acquire) - r;
  const std::size_t at = r % bytes_.size();
  return {bytes_.data() + at, std::min(filled, bytes_.size() - at)};
}

std::size_t SoundRing::write(const std::uint8_t* data, std::size_t bytes) {
  std::size_t done = 0;
  // At most two runs: up to the end of the storage, then from its start.
  for (int run = 0; run < 2 && done < bytes; ++run) {
    const auto [to, room] = writeRun();
    const std::size_t n = std::min(room, bytes - done);
    if (n == 0) break;
    if (data)
      std::memcpy(to, data + done, n);
    else
      std::memset(to, 0, n);
    commit(n);
    done += n;
  }
  return done;
}

std::size_t SoundRing::read(std::uint8_t* out, std::size_t bytes) {
  std::size_t done = 0;
  for (int run = 0; run < 2 && done < bytes; ++run) {
    const auto [from, filled] = readRun();
    const std::size_t n = std::min(filled, bytes - done);
    if (n == 0) break;
    std::memcpy(out + done, from, n);
    consume(n);
    done += n;
  }
  return done;
}

}  // namespace quorvane
