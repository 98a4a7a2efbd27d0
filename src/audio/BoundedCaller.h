#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace quorvane {

// A thread of its own for the calls into a library that can block without
// bound (a sound server that died or stopped answering leaves PortAudio
// waiting for ever). The program's thread hands one call over and waits for
// it at most a deadline. A call that misses it goes on alone, and until it
// returns every further call is refused at once instead of queueing behind
// it. Since the caller may have given up (or be gone) when a late call ends,
// a call owns everything it touches (captured by value or shared); `onLate`
// runs on this thread after a late call, to undo what the caller never saw
// (close a stream that opened too late). Calls never overlap, so the library
// only ever sees this one thread.
//
// The program waits here without processing events: a bounded stall of the
// window is the price of never re-entering the sound layer from a handler.
class BoundedCaller {
 public:
  BoundedCaller();
  // Ends the thread; a call still running is left to finish on its own.
  ~BoundedCaller();
  BoundedCaller(const BoundedCaller&) = delete;
  BoundedCaller& operator=(const BoundedCaller&) = delete;

  enum class Outcome { Done, Late, Busy };
  Outcome run(std::function<void()> call, std::chrono::milliseconds deadline, std::function<void()> onLate = {});

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace quorvane
