#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "audio/BoundedCaller.h"

using namespace quorvane;
using namespace std::chrono_literals;
using Outcome = BoundedCaller::Outcome;

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
