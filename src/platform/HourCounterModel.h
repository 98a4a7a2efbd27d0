#pragma once

#include <cstdint>
#include <functional>

#include "platform/Component.h"

namespace quorvane {

// An elapsed-time counter: counts while switched on, holds its value while
// off, and can be set and read as hours, minutes and seconds.
class HourCounterModel : public Component {
 public:
  using Clock = std::function<std::int64_t()>;  // monotonic milliseconds
  HourCounterModel(std::string name, Clock clock, Bounds b = {});

  void SetCount(bool on);
  bool counting() const { return counting_; }

  int hours() const;
  int minutes() const;
  int seconds() const;
  void setHours(int h);
  void setMinutes(int m);
  void setSeconds(int s);
  // The whole value at once, in milliseconds.
  std::int64_t elapsedMs() const;
  void setElapsedMs(std::int64_t ms);

 private:
  void setField(int value, int unitSeconds, int range);

  Clock clock_;
  bool counting_ = false;
  std::int64_t heldMs_ = 0;     // value when counting last stopped, or at the last set
  std::int64_t startedAt_ = 0;  // clock reading when counting (re)started
};

}  // namespace quorvane
