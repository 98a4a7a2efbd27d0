#include "platform/UpDownModel.h"

#include <algorithm>

namespace quorvane {

UpDownModel::UpDownModel(std::string name, int min, int max, int position, Bounds b)
    : Component(std::move(name), b), min_(min), max_(max), position_(std::clamp(position, min, std::max(min, max))) {}

void UpDownModel::setMin(int m) {
  min_ = m;
  setPosition(position_);
  changed.notify();
}

void UpDownModel::setMax(int m) {
  max_ = m;
  setPosition(position_);
  changed.notify();
}

void UpDownModel::setPosition(int p) { setAndNotify(position_, std::clamp(p, min_, std::max(min_, max_))); }

void UpDownModel::click(Button b) {
  setPosition(position_ + (b == Button::Up ? 1 : -1));
  if (onClick) onClick();
}

}  // namespace quorvane
