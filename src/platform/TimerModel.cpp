#include "platform/TimerModel.h"

namespace quorvane {

TimerModel::~TimerModel() {
  if (scheduler_) scheduler_->timerDestroyed(*this);
}

void TimerModel::setInterval(int ms) {
  if (ms == interval_) return;
  interval_ = ms;
  notify();
}

void TimerModel::setEnabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  notify();
}

void TimerModel::notify() {
  if (scheduler_) scheduler_->timerChanged(*this);
}

}  // namespace quorvane
