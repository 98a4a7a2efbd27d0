#pragma once

#include <functional>

#include "platform/Colour.h"
#include "platform/Component.h"

namespace quorvane {

// Static or clickable text with a font colour (the time editor marks the
// field being edited by colouring its label).
class LabelModel : public Component {
 public:
  LabelModel(std::string name, std::string text, Bounds b = {}) : Component(std::move(name), b), text_(std::move(text)) {}

  const std::string& text() const { return text_; }
  void setText(const std::string& t) { setAndNotify(text_, t); }
  Colour fontColour() const { return fontColour_; }
  void setFontColour(Colour c) { setAndNotify(fontColour_, c); }

  // Presentation of the time editor's fields: bold text on white.
  bool boxed() const { return boxed_; }
  void setBoxed(bool b) { setAndNotify(boxed_, b); }

  void click() {
    if (onClick) onClick();
  }
  std::function<void()> onClick;

 private:
  std::string text_;
  Colour fontColour_ = clBlack;
  bool boxed_ = false;
};

}  // namespace quorvane
