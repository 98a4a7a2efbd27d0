#pragma once

#include <functional>

#include "platform/Colour.h"
#include "platform/Component.h"

namespace quorvane {

// A push button; the engine buttons show the current activity by caption colour.
class ButtonModel : public Component {
 public:
  ButtonModel(std::string name, std::string caption, Bounds b = {})
      : Component(std::move(name), b), caption_(std::move(caption)) {}

  const std::string& caption() const { return caption_; }
  Colour captionColour() const { return captionColour_; }
  void setCaptionColour(Colour c) { setAndNotify(captionColour_, c); }
  bool enabled() const { return enabled_; }
  void setEnabled(bool e) { setAndNotify(enabled_, e); }

  // What a user's click runs.
  void click() {
    if (onClick) onClick();
  }
  std::function<void()> onClick;

 private:
  std::string caption_;
  Colour captionColour_ = clBlack;
  bool enabled_ = true;
};

}  // namespace quorvane
