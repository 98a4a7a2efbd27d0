#pragma once

#include "platform/Colour.h"
#include "platform/Component.h"

namespace quorvane {

// A top-level window: caption, client size, visibility and stacking.
class WindowModel : public Component {
 public:
  WindowModel(std::string name, std::string caption, int clientWidth, int clientHeight, Colour colour)
      : Component(std::move(name), Bounds{0, 0, clientWidth, clientHeight}), caption_(std::move(caption)), colour_(colour) {}

  const std::string& caption() const { return caption_; }
  void setCaption(const std::string& c) { setAndNotify(caption_, c); }
  Colour colour() const { return colour_; }
  bool stayOnTop() const { return stayOnTop_; }
  void setStayOnTop(bool s) { setAndNotify(stayOnTop_, s); }

 private:
  std::string caption_;
  Colour colour_;
  bool stayOnTop_ = false;
};

}  // namespace quorvane
