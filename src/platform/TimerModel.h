#pragma once

#include <functional>
#include <string>

namespace quorvane {

class TimerModel;

// Whoever runs the timers (the real event loop or the simulated one) hears
// of every change that restarts a timer's count.
class TimerScheduler {
 public:
  virtual ~TimerScheduler() = default;
  virtual void timerChanged(TimerModel& timer) = 0;
  virtual void timerDestroyed(TimerModel& timer) = 0;
};

// A repeating timer. Enabling it, or changing its interval while enabled,
// starts a fresh count of the whole interval; setting a value it already has
// changes nothing.
class TimerModel {
 public:
  TimerModel(std::string name, int intervalMs, bool enabled = false)
      : name_(std::move(name)), interval_(intervalMs), enabled_(enabled) {}
  TimerModel(const TimerModel&) = delete;
  TimerModel& operator=(const TimerModel&) = delete;
  ~TimerModel();

  const std::string& name() const { return name_; }
  int interval() const { return interval_; }
  bool enabled() const { return enabled_; }
  void setInterval(int ms);
  void setEnabled(bool e);

  void attach(TimerScheduler* s) { scheduler_ = s; }
  // Called by the scheduler when the interval has passed.
  void fire() {
    if (onTimer) onTimer();
  }
  std::function<void()> onTimer;

 private:
  void notify();

  std::string name_;
  int interval_;
  bool enabled_;
  TimerScheduler* scheduler_ = nullptr;
};

}  // namespace quorvane
