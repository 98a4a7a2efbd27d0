#include "platform/RasterCanvas.h"

#include <algorithm>
#include <cstdlib>

namespace quorvane {

void RasterCanvas::resize(int width, int height, Colour fill) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill);
}

Colour RasterCanvas::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return clWhite;
  return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
}

void RasterCanvas::setPixel(int x, int y, Colour c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)] = c;
}

void RasterCanvas::rectangle(int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  for (int y = std::max(y1, 0); y < std::min(y2, height_); ++y) {
    for (int x = std::max(x1, 0); x < std::min(x2, width_); ++x) {
      const bool edge = x == x1 || x == x2 - 1 || y == y1 || y == y2 - 1;
      setPixel(x, y, edge ? penColour : brushColour);
    }
  }
}

void RasterCanvas::moveTo(int x, int y) {
  penX_ = x;
  penY_ = y;
}

void RasterCanvas::lineTo(int x, int y) {
  // Bresenham from the pen position; the end point itself is not drawn.
  int x0 = penX_, y0 = penY_;
  const int dx = std::abs(x - x0), sx = x0 < x ? 1 : -1;
  const int dy = -std::abs(y - y0), sy = y0 < y ? 1 : -1;
  int err = dx + dy;
  while (x0 != x || y0 != y) {
    setPixel(x0, y0, penColour);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
  moveTo(x, y);
}

void RasterCanvas::draw(const RasterCanvas& src, int x, int y) {
  for (int sy = 0; sy < src.height_; ++sy) {
    for (int sx = 0; sx < src.width_; ++sx) setPixel(x + sx, y + sy, src.pixel(sx, sy));
  }
}

}  // namespace quorvane
