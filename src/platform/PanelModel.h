#pragma once

#include "platform/Colour.h"
#include "platform/Component.h"

namespace quorvane {

// A plain container: the display panel and the group boxes of the control panel.
class PanelModel : public Component {
 public:
  PanelModel(std::string name, std::string caption, Colour colour, Bounds b = {})
      : Component(std::move(name), b), caption_(std::move(caption)), colour_(colour) {}

  const std::string& caption() const { return caption_; }
  Colour colour() const { return colour_; }

 private:
  std::string caption_;
  Colour colour_;
};

}  // namespace quorvane
