#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "audio/WaveHeaderQueue.h"

using namespace quorvane;

// The device side on its own thread, as under PortAudio: whatever the
// scheduling, a header holds consecutive sound and the headers follow each
// other; sound with no header queued is dropped, never written anywhere.
TEST(WaveHeaderQueue, DeviceThreadAndProgramThreadAgreeOnEveryHeader) {
  WaveHeaderQueue q;
  std::vector<std::uint32_t> data[2] = {std::vector<std::uint32_t>(64), std::vector<std::uint32_t>(64)};
  WaveBufferHeader headers[2];
  for (int i = 0; i < 2; ++i) {
    headers[i].data = reinterpret_cast<std::uint8_t*>(data[i].data());
    headers[i].bufferLength = 256;
    headers[i].flags = WaveHeaderPrepared;
    ASSERT_TRUE(q.push(headers[i]));
  }
  std::atomic<bool> stop{false};
  std::thread device([&] {
    std::uint32_t counter = 0, chunk[24];  // chunks that do not line up with the headers
    while (!stop.load(std::memory_order_relaxed)) {
      for (auto& v : chunk) v = counter++;
      q.capture(reinterpret_cast<const std::uint8_t*>(chunk), sizeof chunk);
    }
  });

  std::uint32_t last = 0;
  for (int i = 0; i < 400; ++i) {
    WaveBufferHeader& h = headers[i % 2];
    while (!h.done()) std::this_thread::yield();
    ASSERT_EQ(h.recorded(), 256u);
    const auto& v = data[i % 2];
    for (int k = 1; k < 64; ++k) ASSERT_EQ(v[k], v[k - 1] + 1) << "header " << i << " at " << k;
    // Later than the previous header; the counter may wrap while sound is dropped.
    ASSERT_TRUE(i == 0 || static_cast<std::int32_t>(v[0] - last) > 0) << "header " << i;
    last = v[63];
    h.flags.store(WaveHeaderPrepared);
    ASSERT_TRUE(q.push(h));
  }
  stop = true;
  device.join();
}
