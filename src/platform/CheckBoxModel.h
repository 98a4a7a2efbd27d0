#pragma once

#include <functional>

#include "platform/Component.h"

namespace quorvane {

// A check box. A user's click toggles the state and then runs the handler;
// the program may set the state without running it.
class CheckBoxModel : public Component {
 public:
  CheckBoxModel(std::string name, std::string caption, Bounds b = {})
      : Component(std::move(name), b), caption_(std::move(caption)) {}

  const std::string& caption() const { return caption_; }
  bool checked() const { return checked_; }
  void setChecked(bool c) { setAndNotify(checked_, c); }
  bool enabled() const { return enabled_; }
  void setEnabled(bool e) { setAndNotify(enabled_, e); }

  void click() {
    if (!enabled_) return;
    setChecked(!checked_);
    if (onClick) onClick();
  }
  std::function<void()> onClick;

 private:
  std::string caption_;
  bool checked_ = false;
  bool enabled_ = true;
};

}  // namespace quorvane
