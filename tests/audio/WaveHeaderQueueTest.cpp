#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "audio/WaveHeaderQueue.h"

using namespace quorvane;

namespace {

struct Buffer {
  explicit Buffer(std::uint32_t bytes) : bytes(bytes, 0xEE) {
    header.data = this->bytes.data();
    header.bufferLength = bytes;
    header.flags = WaveHeaderPrepared;
  }
  std::vector<std::uint8_t> bytes;
  WaveBufferHeader header;
};

std::vector<std::uint8_t> counting(std::size_t from, std::size_t n) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(from + i);
  return v;
}

}  // namespace

TEST(WaveHeaderQueue, CaptureFillsQueuedHeadersInOrderAndDropsTheRest) {
  WaveHeaderQueue q;
  Buffer a(100), b(100);
  ASSERT_TRUE(q.push(a.header));
  ASSERT_TRUE(q.push(b.header));
  EXPECT_EQ(q.held(), 2u);

  // Chunks that do not line up with the headers.
  for (std::size_t at = 0; at < 259; at += 37) q.capture(counting(at, 37).data(), 37);

  EXPECT_TRUE(a.header.done());
  EXPECT_TRUE(b.header.done());
  EXPECT_FALSE(a.header.inQueue());
  EXPECT_EQ(a.header.recorded(), 100u);
  EXPECT_EQ(a.bytes, counting(0, 100));
  EXPECT_EQ(b.bytes, counting(100, 100));
  EXPECT_EQ(q.position(), 200u);  // the 59 bytes after B went nowhere
  EXPECT_EQ(q.held(), 0u);

  // The next header gets what comes after it was queued, nothing older.
  Buffer c(100);
  ASSERT_TRUE(q.push(c.header));
  EXPECT_FALSE(c.header.done());
  q.capture(counting(7, 50).data(), 50);
  EXPECT_EQ(c.header.recorded(), 50u);
  EXPECT_EQ(std::vector<std::uint8_t>(c.bytes.begin(), c.bytes.begin() + 50), counting(7, 50));
}

TEST(WaveHeaderQueue, PlaybackDrainsInOrderThenPlaysSilence) {
  WaveHeaderQueue q;
  Buffer a(60), b(60);
  a.bytes = counting(1, 60);
  b.bytes = counting(61, 60);
  a.header.data = a.bytes.data();
  b.header.data = b.bytes.data();
  q.push(a.header);
  q.push(b.header);

  std::vector<std::uint8_t> out(160, 0xEE);
  q.play(out.data(), 50);
  EXPECT_FALSE(a.header.done());
  q.play(out.data() + 50, 110);
  EXPECT_TRUE(a.header.done());
  EXPECT_TRUE(b.header.done());
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.begin() + 120), counting(1, 120));
  EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 120, out.end()), std::vector<std::uint8_t>(40, 0));
  EXPECT_EQ(q.position(), 120u);
}

TEST(WaveHeaderQueue, FlushReturnsEveryHeaderDoneAndRestartsThePosition) {
  WaveHeaderQueue q;
  Buffer a(100), b(100);
  q.push(a.header);
  q.push(b.header);
  q.capture(counting(0, 30).data(), 30);
  q.flush();
  EXPECT_TRUE(a.header.done());
  EXPECT_TRUE(b.header.done());
  EXPECT_EQ(a.header.recorded(), 30u);
  EXPECT_EQ(b.header.recorded(), 0u);
  EXPECT_EQ(q.held(), 0u);
  EXPECT_EQ(q.position(), 0u);
  // A full queue refuses and leaves the header as it was.
  std::vector<std::unique_ptr<Buffer>> many;
  for (std::size_t i = 0; i <= WaveHeaderQueue::Capacity; ++i) many.push_back(std::make_unique<Buffer>(10));
  for (std::size_t i = 0; i < WaveHeaderQueue::Capacity; ++i) ASSERT_TRUE(q.push(many[i]->header));
  EXPECT_FALSE(q.push(many.back()->header));
  EXPECT_FALSE(many.back()->header.inQueue());
}

// The device side on its own thread, as under PortAudio: whatever the
// scheduling, a header holds consecutive sound, and headers follow each other.
TEST(WaveHeaderQueue, DeviceThreadAndProgramThreadAgreeOnEveryHeader) {
  WaveHeaderQueue q;
  Buffer a(256), b(256);
  std::atomic<bool> stop{false};
  std::thread device([&] {
    std::uint32_t counter = 0;
    std::uint32_t chunk[24];
    while (!stop.load(std::memory_order_relaxed)) {
      for (auto& v : chunk) v = counter++;
      q.capture(reinterpret_cast<const std::uint8_t*>(chunk), sizeof chunk);
    }
  });

  q.push(a.header);
  q.push(b.header);
  std::uint32_t last = 0;
  bool first = true;
  for (int i = 0; i < 400; ++i) {
    Buffer& buf = i % 2 ? b : a;
    while (!buf.header.done()) std::this_thread::yield();
    ASSERT_EQ(buf.header.recorded(), 256u);
    const auto* v = reinterpret_cast<const std::uint32_t*>(buf.bytes.data());
    for (int k = 1; k < 64; ++k) ASSERT_EQ(v[k], v[k - 1] + 1) << "header " << i << " at " << k;
    if (!first) {
      ASSERT_GT(v[0], last) << "header " << i;
    }
    first = false;
    last = v[63];
    buf.header.flags.store(WaveHeaderPrepared);
    ASSERT_TRUE(q.push(buf.header));
  }
  stop = true;
  device.join();
}
