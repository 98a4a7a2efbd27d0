#pragma once

#include "platform/Colour.h"
#include "platform/Component.h"

namespace quorvane {

// A two-state indicator with a caption. A click does not toggle it: only the
// program switches it.
class LedModel : public Component {
 public:
  LedModel(std::string name, std::string caption, Colour lit, Colour unlit, Bounds b = {})
      : Component(std::move(name), b), caption_(std::move(caption)), lit_(lit), unlit_(unlit) {}

  void SetChecked(bool on) { setAndNotify(checked_, on); }
  bool checked() const { return checked_; }

  const std::string& caption() const { return caption_; }
  Colour litColour() const { return lit_; }
  Colour unlitColour() const { return unlit_; }
  Colour colour() const { return checked_ ? lit_ : unlit_; }

 private:
  std::string caption_;
  Colour lit_;
  Colour unlit_;
  bool checked_ = false;
};

}  // namespace quorvane
