#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "state/FormContext.h"

namespace quorvane {

// The signal display: everything is drawn on the off-screen DisplayBitmap and
// then copied to SpectrumBox in one piece. Only the first frames of a buffer
// are drawn, one per pixel column, whatever the buffer's length.
class Display {
 public:
  explicit Display(FormContext c);

  // Blanks the paint box's rectangle of the bitmap and leaves brush and pen black.
  void ClearDisplay();
  // Shows the bitmap in the paint box.
  void CopyToSpectrumBox();

  // A trace of the samples (interleaved in stereo), 400 sample units a pixel.
  void DrawTimeView(const std::int32_t* samples, int channels);
  // A bar of each sample's magnitude around the trace's centre row.
  void DrawAmplitudeView(const std::int32_t* samples, int channels);
  // The views need this many samples (both channels together).
  static int SamplesNeeded(int width, int channels) { return (width + 1) * (channels == 2 ? 2 : 1); }

  // The record or play time into TimerMemo, as HH:MM:SS: from the input file's
  // position during playback and transfers, else from the elapsed-time counter.
  void ShowElapsedTime();
  // The counter's time into TimerMemo, whatever is open.
  void ShowZeroElapsed();
  static std::string ClockText(std::int64_t hours, int minutes, int seconds);

  void Time1Click() { chooseView(0); }
  void Waterfall1Click() { chooseView(1); }

 private:
  void drawLevelLines();
  void chooseView(std::int32_t type);

  FormContext c_;
  std::vector<std::int32_t> DisplayMagnitudes;
};

}  // namespace quorvane
