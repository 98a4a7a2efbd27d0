#pragma once

#include "state/FormContext.h"

namespace quorvane {

// The signal display: everything is drawn on the off-screen DisplayBitmap and
// then copied to SpectrumBox in one piece.
class Display {
 public:
  explicit Display(FormContext c) : c_(c) {}

  // Blanks the paint box's rectangle of the bitmap and leaves brush and pen black.
  void ClearDisplay();
  // Shows the bitmap in the paint box.
  void CopyToSpectrumBox();

 private:
  FormContext c_;
};

}  // namespace quorvane
