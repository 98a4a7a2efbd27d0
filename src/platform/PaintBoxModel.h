#pragma once

#include "platform/Component.h"
#include "platform/RasterCanvas.h"

namespace quorvane {

// A drawing surface on the form. It keeps what was last copied onto it and
// has no paint handler of its own.
class PaintBoxModel : public Component {
 public:
  PaintBoxModel(std::string name, Bounds b) : Component(std::move(name), b), image_(b.width, b.height) {}

  const RasterCanvas& image() const { return image_; }
  void draw(const RasterCanvas& src, int x, int y) {
    image_.draw(src, x, y);
    changed.notify();
  }

 private:
  RasterCanvas image_;
};

}  // namespace quorvane
