#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

#include "audio/BoundedCaller.h"
#include "audio/SoundRing.h"

using namespace quorvane;
using namespace std::chrono_literals;
using Outcome = BoundedCaller::Outcome;

// The device's side on its own thread, as under PortAudio: whatever the
// scheduling and however the chunks fall across the ring's end, the reader
// gets every byte once and in order.
TEST(SoundRing, WriterAndReaderThreadsPassEveryByteOnceAndInOrder) {
  SoundRing ring(1000);  // no multiple of the chunks
  constexpr std::uint32_t Count = 200000;
  std::thread device([&] {
    std::uint32_t next = 0, chunk[24];
    while (next < Count) {
      std::size_t n = 0;
      for (; n < 24 && next + n < Count; ++n) chunk[n] = next + static_cast<std::uint32_t>(n);
      const std::size_t fitted = ring.write(reinterpret_cast<const std::uint8_t*>(chunk), n * 4);
      next += static_cast<std::uint32_t>(fitted / 4);
      if (fitted < n * 4) std::this_thread::yield();
    }
  });
  std::vector<std::uint8_t> got;
  std::uint8_t buf[60];
  while (got.size() < Count * 4) {
    const std::size_t n = ring.read(buf, std::min<std::size_t>(sizeof buf, Count * 4 - got.size()));
    got.insert(got.end(), buf, buf + n);
    if (n == 0) std::this_thread::yield();
  }
  device.join();
  for (std::uint32_t i = 0; i < Count; ++i) {
    std::uint32_t v;
    std::memcpy(&v, got.data() + 4 * i, 4);
    ASSERT_EQ(v, i);
  }
  EXPECT_EQ(ring.readable(), 0u);
}

// A call stuck in the library (held here until released) is given up at its
// deadline and left to itself; until it returns every call is refused at once
// (none queues behind it); when it returns, what it did is undone on its own
// thread and calls go through again.
TEST(BoundedCaller, ACallThatMissesItsDeadlineIsLeftAloneAndRefusesOthersUntilItReturns) {
  BoundedCaller library;
  std::promise<void> release;
  std::atomic<bool> undone{false}, ranAfter{false};
  EXPECT_EQ(library.run([held = release.get_future().share()] { held.wait(); }, 20ms, [&] { undone = true; }),
            Outcome::Late);
  EXPECT_EQ(library.run([&] { ranAfter = true; }, 10s), Outcome::Busy);
  EXPECT_FALSE(undone);
  release.set_value();
  Outcome next = Outcome::Busy;
  while (next == Outcome::Busy) {
    std::this_thread::yield();
    next = library.run([&] { ranAfter = true; }, 10s);
  }
  EXPECT_EQ(next, Outcome::Done);
  EXPECT_TRUE(undone);
  EXPECT_TRUE(ranAfter);
}
