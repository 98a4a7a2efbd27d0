#pragma once

#include <chrono>
#include <thread>

#include "platform/SimHost.h"

namespace quorvane::test {

// The simulated host, except that sleeping really sleeps: its clock and
// timers move with the waits, in step with sound devices that run in real
// time. No window, no event loop; for the tests against a real sound server.
class RealTimeHost : public SimHost {
 public:
  void sleepMs(int ms) override {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    SimHost::sleepMs(ms);
  }
};

}  // namespace quorvane::test
