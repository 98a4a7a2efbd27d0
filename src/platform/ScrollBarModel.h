#pragma once

#include <functional>

#include "platform/Component.h"

namespace quorvane {

// A horizontal scroll bar; the playback position is shown and set on it.
class ScrollBarModel : public Component {
 public:
  ScrollBarModel(std::string name, int max, int largeChange, Bounds b = {})
      : Component(std::move(name), b), max_(max), largeChange_(largeChange) {}

  int min() const { return 0; }
  int max() const { return max_; }
  int largeChange() const { return largeChange_; }
  int position() const { return position_; }
  void setPosition(int p) { setAndNotify(position_, p < 0 ? 0 : (p > max_ ? max_ : p)); }
  bool enabled() const { return enabled_; }
  void setEnabled(bool e) { setAndNotify(enabled_, e); }
  bool focused() const { return focused_; }
  void setFocused(bool f) { setAndNotify(focused_, f); }

  // A user's scroll: the new position is set, then the handler runs with it.
  void scroll(int position) {
    if (!enabled_) return;
    setPosition(position);
    if (onScroll) onScroll(position_);
  }
  void focusEnter() {
    if (onEnter) onEnter();
  }
  void mouseLeave() {
    if (onMouseLeave) onMouseLeave();
  }

  std::function<void(int)> onScroll;
  std::function<void()> onEnter;
  std::function<void()> onMouseLeave;

 private:
  int max_;
  int largeChange_;
  int position_ = 0;
  bool enabled_ = true;
  bool focused_ = false;
};

}  // namespace quorvane
