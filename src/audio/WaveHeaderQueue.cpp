#include "audio/WaveHeaderQueue.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

bool WaveHeaderQueue::push(WaveBufferHeader& header) {
  header.bytesRecorded.store(0, std::memory_order_relaxed);
  const std::uint32_t flags = header.flags.load(std::memory_order_relaxed);
  header.flags.store((flags & ~WaveHeaderDone) | WaveHeaderInQueue, std::memory_order_relaxed);
  held_.fetch_add(1, std::memory_order_relaxed);
  if (queue_.push(&header)) return true;  // the push publishes the header's fields
  held_.fetch_sub(1, std::memory_order_relaxed);
  header.flags.store(flags, std::memory_order_relaxed);
  return false;
}

void WaveHeaderQueue::flush() {
  if (current_) finish(*current_);
  WaveBufferHeader* header = nullptr;
  while (queue_.pop(header)) finish(*header);
  position_.store(0, std::memory_order_release);
}

WaveBufferHeader* WaveHeaderQueue::current() {
  if (!current_) {
    WaveBufferHeader* next = nullptr;
    if (queue_.pop(next)) current_ = next;
  }
  return current_;
}

void WaveHeaderQueue::advance(WaveBufferHeader& header, std::uint32_t bytes) {
  offset_ += bytes;
  header.bytesRecorded.store(offset_, std::memory_order_release);
  position_.store(position_.load(std::memory_order_relaxed) + bytes, std::memory_order_release);
  if (offset_ >= header.bufferLength) finish(header);
}

void WaveHeaderQueue::finish(WaveBufferHeader& header) {
  current_ = nullptr;
  offset_ = 0;
  held_.fetch_sub(1, std::memory_order_relaxed);
  const std::uint32_t flags = header.flags.load(std::memory_order_relaxed);
  // The last store: once the program sees Done, everything above is visible.
  header.flags.store((flags & ~WaveHeaderInQueue) | WaveHeaderDone, std::memory_order_release);
}

void WaveHeaderQueue::capture(const std::uint8_t* in, std::size_t bytes) {
  std::size_t taken = 0;
  while (taken < bytes) {
    WaveBufferHeader* header = current();
    if (!header) return;  // no buffer queued: the rest of this sound is lost
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(bytes - taken, header->bufferLength - offset_));
    if (in)
      std::memcpy(header->data + offset_, in + taken, n);
    else
      std::memset(header->data + offset_, 0, n);
    taken += n;
    advance(*header, n);
  }
}

void WaveHeaderQueue::play(std::uint8_t* out, std::size_t bytes) {
  std::size_t given = 0;
  while (given < bytes) {
    WaveBufferHeader* header = current();
    if (!header) break;
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(bytes - given, header->bufferLength - offset_));
    std::memcpy(out + given, header->data + offset_, n);
    given += n;
    advance(*header, n);
  }
  if (given < bytes) std::memset(out + given, 0, bytes - given);
}

}  // namespace quorvane
