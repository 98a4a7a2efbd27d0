#include "audio/WaveHeaderQueue.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

bool WaveHeaderQueue::push(WaveBufferHeader& header) {
  if (count_ == Capacity) return false;
  header.bytesRecorded.store(0, std::memory_order_relaxed);
  const std::uint32_t flags = header.flags.load(std::memory_order_relaxed);
  header.flags.store((flags & ~WaveHeaderDone) | WaveHeaderInQueue, std::memory_order_release);
  at(count_++) = Entry{&header, 0};
  pending_ += header.bufferLength;
  return true;
}

void WaveHeaderQueue::finishFirst() {
  WaveBufferHeader& h = *at(0).header;
  first_ = (first_ + 1) % Capacity;
  --count_;
  if (taken_whole_ > 0)
    --taken_whole_;
  else
    offset_ = 0;  // it was the one being worked on
  const std::uint32_t flags = h.flags.load(std::memory_order_relaxed);
  h.flags.store((flags & ~WaveHeaderInQueue) | WaveHeaderDone, std::memory_order_release);
}

void WaveHeaderQueue::flush() {
  while (count_ > 0) finishFirst();
  pending_ = 0;
  taken_ = 0;
}

std::size_t WaveHeaderQueue::capture(const std::uint8_t* in, std::size_t bytes) {
  std::size_t done = 0;
  while (done < bytes && count_ > 0) {
    WaveBufferHeader& h = *at(0).header;
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(bytes - done, h.bufferLength - offset_));
    if (in)
      std::memcpy(h.data + offset_, in + done, n);
    else
      std::memset(h.data + offset_, 0, n);
    done += n;
    offset_ += n;
    pending_ -= n;
    taken_ += n;
    h.bytesRecorded.store(offset_, std::memory_order_release);
    if (offset_ >= h.bufferLength) finishFirst();
  }
  return done;
}

std::size_t WaveHeaderQueue::play(std::uint8_t* out, std::size_t bytes) {
  std::size_t done = 0;
  while (done < bytes && taken_whole_ < count_) {
    Entry& e = at(taken_whole_);
    WaveBufferHeader& h = *e.header;
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(bytes - done, h.bufferLength - offset_));
    if (out) {
      std::memcpy(out + done, h.data + offset_, n);
      taken_ += n;
    }
    done += n;
    offset_ += n;
    pending_ -= n;
    h.bytesRecorded.store(offset_, std::memory_order_release);
    if (offset_ >= h.bufferLength) {
      e.end = taken_;
      ++taken_whole_;
      offset_ = 0;
    }
  }
  return done;
}

std::size_t WaveHeaderQueue::firstLacks() const {
  return count_ == 0 ? 0 : entries_[first_].header->bufferLength - offset_;
}

void WaveHeaderQueue::playedUpTo(std::uint64_t bytes) {
  while (taken_whole_ > 0 && at(0).end <= bytes) finishFirst();
}

}  // namespace quorvane
