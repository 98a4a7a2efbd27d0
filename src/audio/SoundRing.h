#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace quorvane {

// Bytes of sound between exactly one writer thread and one reader thread, in
// a fixed ring allocated once, without locks: a device's callback can be
// either side. Each position only grows and is written by its own side; the
// release store of one side pairs with the acquire load of the other. The
// contiguous runs let either side copy straight into or out of the ring.
class SoundRing {
 public:
  explicit SoundRing(std::size_t capacity) : bytes_(capacity) {}
  SoundRing(const SoundRing&) = delete;
  SoundRing& operator=(const SoundRing&) = delete;

  std::size_t capacity() const { return bytes_.size(); }
  std::size_t readable() const {
    return writePos_.load(std::memory_order_acquire) - readPos_.load(std::memory_order_acquire);
  }

  // --- writer side ---
  // Stores up to `bytes` (silence when data is null); returns how many fitted.
  std::size_t write(const std::uint8_t* data, std::size_t bytes);
  // The free run at the write position, and publishing what was put there.
  std::pair<std::uint8_t*, std::size_t> writeRun();
  void commit(std::size_t bytes) { writePos_.store(writePos_.load(std::memory_order_relaxed) + bytes, std::memory_order_release); }

  // --- reader side ---
  // Takes up to `bytes` into out; returns how many there were.
  std::size_t read(std::uint8_t* out, std::size_t bytes);
  // The filled run at the read position, and letting go of what was taken from it.
  std::pair<const std::uint8_t*, std::size_t> readRun() const;
  void consume(std::size_t bytes) { readPos_.store(readPos_.load(std::memory_order_relaxed) + bytes, std::memory_order_release); }
  // Drops everything written so far.
  void discard() { readPos_.store(writePos_.load(std::memory_order_acquire), std::memory_order_release); }

 private:
  std::vector<std::uint8_t> bytes_;
  alignas(64) std::atomic<std::size_t> readPos_{0};
  alignas(64) std::atomic<std::size_t> writePos_{0};
};

}  // namespace quorvane
