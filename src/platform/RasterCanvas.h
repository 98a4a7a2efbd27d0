#pragma once

#include <vector>

#include "platform/Colour.h"

namespace quorvane {

// A small off-screen bitmap with a pen and a brush. Drawing follows the usual
// raster conventions: a rectangle covers [x1, x2) x [y1, y2), a line leaves
// out its end point, and everything outside the bitmap is clipped.
class RasterCanvas {
 public:
  RasterCanvas() = default;
  RasterCanvas(int width, int height, Colour fill = clWhite) { resize(width, height, fill); }

  void resize(int width, int height, Colour fill = clWhite);
  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ == 0 || height_ == 0; }

  Colour penColour = clBlack;
  Colour brushColour = clWhite;
  int penWidth = 1;

  // Outline in the pen colour, inside filled with the brush colour.
  void rectangle(int x1, int y1, int x2, int y2);
  void moveTo(int x, int y);
  void lineTo(int x, int y);
  void line(int x1, int y1, int x2, int y2) {
    moveTo(x1, y1);
    lineTo(x2, y2);
  }

  Colour pixel(int x, int y) const;
  void setPixel(int x, int y, Colour c);
  // Copies the overlapping part of src so that src's origin lands at (x, y).
  void draw(const RasterCanvas& src, int x, int y);
  const std::vector<Colour>& pixels() const { return pixels_; }

 private:
  int width_ = 0;
  int height_ = 0;
  int penX_ = 0;
  int penY_ = 0;
  std::vector<Colour> pixels_;
};

}  // namespace quorvane
