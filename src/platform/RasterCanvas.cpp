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
  const int left = std::max(x1, 0), right = std::min(x2, width_);
  if (left >= right) return;
  // Whole rows at a time: the display clears its box once per buffer.
  for (int y = std::max(y1, 0); y < std::min(y2, height_); ++y) {
    Colour* row = &pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_)];
    const bool edgeRow = y == y1 || y == y2 - 1;
    std::fill(row + left, row + right, edgeRow ? penColour : brushColour);
    if (!edgeRow) {
      if (x1 >= 0) row[x1] = penColour;
      if (x2 - 1 < width_ && x2 - 1 >= left) row[x2 - 1] = penColour;
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
  // The overlap of the two bitmaps, copied row by row.
  const int sx0 = std::max(0, -x), sx1 = std::min(src.width_, width_ - x);
  if (sx0 >= sx1) return;
  for (int sy = std::max(0, -y); sy < std::min(src.height_, height_ - y); ++sy) {
    const Colour* from = &src.pixels_[static_cast<std::size_t>(sy) * static_cast<std::size_t>(src.width_)];
    Colour* to = &pixels_[static_cast<std::size_t>(sy + y) * static_cast<std::size_t>(width_)];
    std::copy(from + sx0, from + sx1, to + x + sx0);
  }
}

}  // namespace quorvane
