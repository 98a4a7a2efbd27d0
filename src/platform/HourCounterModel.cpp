#include "platform/HourCounterModel.h"

namespace quorvane {

HourCounterModel::HourCounterModel(std::string name, Clock clock, Bounds b)
    : Component(std::move(name), b), clock_(std::move(clock)) {}

std::int64_t HourCounterModel::elapsedMs() const { return heldMs_ + (counting_ ? clock_() - startedAt_ : 0); }

void HourCounterModel::setElapsedMs(std::int64_t ms) {
  heldMs_ = ms < 0 ? 0 : ms;
  startedAt_ = clock_();
  changed.notify();
}

void HourCounterModel::SetCount(bool on) {
  if (on == counting_) return;
  heldMs_ = elapsedMs();
  startedAt_ = clock_();
  counting_ = on;
  changed.notify();
}

int HourCounterModel::hours() const { return static_cast<int>(elapsedMs() / 3600000); }
int HourCounterModel::minutes() const { return static_cast<int>(elapsedMs() / 60000 % 60); }
int HourCounterModel::seconds() const { return static_cast<int>(elapsedMs() / 1000 % 60); }

void HourCounterModel::setField(int value, int unitSeconds, int range) {
  // Replace one field, keep the others and the fraction of the current second.
  const std::int64_t ms = elapsedMs();
  const std::int64_t unit = static_cast<std::int64_t>(unitSeconds) * 1000;
  const std::int64_t current = range > 0 ? ms / unit % range : ms / unit;
  setElapsedMs(ms + (static_cast<std::int64_t>(value) - current) * unit);
}

void HourCounterModel::setHours(int h) { setField(h, 3600, 0); }
void HourCounterModel::setMinutes(int m) { setField(m, 60, 60); }
void HourCounterModel::setSeconds(int s) { setField(s, 1, 60); }

}  // namespace quorvane
