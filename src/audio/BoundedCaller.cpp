#include "audio/BoundedCaller.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace quorvane {

struct BoundedCaller::State {
  std::mutex m;
  std::condition_variable cv;
  std::function<void()> call;
  std::function<void()> onLate;
  bool pending = false;    // a call has been handed over and not yet finished
  bool done = false;       // the last call returned
  bool abandoned = false;  // its caller stopped waiting
  bool quit = false;
  std::thread thread;
};

BoundedCaller::BoundedCaller() : state_(std::make_shared<State>()) {
  // The thread holds the state too, so it may outlive this object.
  state_->thread = std::thread([s = state_] {
    std::unique_lock lock(s->m);
    for (;;) {
      s->cv.wait(lock, [&] { return s->quit || (s->pending && !s->done); });
      if (!s->pending) return;
      auto call = std::move(s->call);
      lock.unlock();
      call();
      lock.lock();
      s->done = true;
      if (s->abandoned && s->onLate) {
        auto onLate = std::move(s->onLate);
        lock.unlock();
        onLate();
        lock.lock();
      }
      s->onLate = nullptr;
      s->pending = false;
      s->cv.notify_all();
      if (s->quit) return;
    }
  });
}

BoundedCaller::~BoundedCaller() {
  std::unique_lock lock(state_->m);
  state_->quit = true;
  state_->cv.notify_all();
  const bool stuck = state_->pending;
  lock.unlock();
  if (stuck)
    state_->thread.detach();
  else
    state_->thread.join();
}

BoundedCaller::Outcome BoundedCaller::run(std::function<void()> call, std::chrono::milliseconds deadline,
                                          std::function<void()> onLate) {
  State& s = *state_;
  std::unique_lock lock(s.m);
  if (s.pending) return Outcome::Busy;
  s.call = std::move(call);
  s.onLate = std::move(onLate);
  s.pending = true;
  s.done = false;
  s.abandoned = false;
  s.cv.notify_all();
  if (s.cv.wait_for(lock, deadline, [&] { return s.done; })) return Outcome::Done;
  s.abandoned = true;
  return Outcome::Late;
}

}  // namespace quorvane
