#include "display/Display.h"

namespace quorvane {

void Display::ClearDisplay() {
  RasterCanvas& canvas = *c_.s.DisplayBitmap;
  canvas.brushColour = clWhite;
  canvas.penColour = clWhite;
  canvas.penWidth = 1;
  const Bounds& box = c_.ui.SpectrumBox.bounds();
  canvas.rectangle(0, 0, box.width, box.height);
  canvas.brushColour = clBlack;
  canvas.penColour = clBlack;
}

void Display::CopyToSpectrumBox() { c_.ui.SpectrumBox.draw(*c_.s.DisplayBitmap, 0, 0); }

}  // namespace quorvane
