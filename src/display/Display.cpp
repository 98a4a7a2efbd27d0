#include "display/Display.h"

#include <cstdio>
#include <cstdlib>

namespace quorvane {

Display::Display(FormContext c) : c_(c), DisplayMagnitudes(16385) {}

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

void Display::drawLevelLines() {
  // Peak and threshold, at twice the trace's scale, only while a gated recording runs.
  const auto& s = c_.s;
  if (!((s.ActivityState == ActivityRecording || s.ActivityState == ActivityFileTransfer) && s.VoxEnabled == 1)) return;
  RasterCanvas& canvas = *s.DisplayBitmap;
  const int w = c_.ui.SpectrumBox.bounds().width;
  const int mid = c_.ui.SpectrumBox.bounds().height / 2;
  const std::pair<Colour, std::int32_t> lines[] = {{clRed, s.PeakLevel}, {clGreen, s.ThresholdLevel}};
  for (const auto& [colour, level] : lines) {
    canvas.brushColour = canvas.penColour = colour;
    const int y = mid - level / 200;
    for (int x = 0; x < w; ++x) canvas.line(x, y, x + 1, y);
  }
}

void Display::DrawTimeView(const std::int32_t* s, int channels) {
  RasterCanvas& canvas = *c_.s.DisplayBitmap;
  const int w = c_.ui.SpectrumBox.bounds().width;
  const int h = c_.ui.SpectrumBox.bounds().height;
  if (channels != 2) {
    const int mid = h / 2;
    canvas.brushColour = canvas.penColour = clBlack;
    for (int x = 0; x < w; ++x) canvas.line(x, mid - s[x] / 400, x + 1, mid - s[x + 1] / 400);
    drawLevelLines();
  } else {
    const int upper = h / 4, lower = (3 * h) / 4;
    for (int x = 0; x < w; ++x) {
      const std::int32_t* a = s + 2 * x;
      const std::int32_t* b = a + 2;
      canvas.line(x, upper - a[0] / 400, x + 1, upper - b[0] / 400);
      canvas.line(x, lower - a[1] / 400, x + 1, lower - b[1] / 400);
    }
  }
  CopyToSpectrumBox();
}

void Display::DrawAmplitudeView(const std::int32_t* s, int channels) {
  RasterCanvas& canvas = *c_.s.DisplayBitmap;
  const int w = c_.ui.SpectrumBox.bounds().width;
  const int h = c_.ui.SpectrumBox.bounds().height;
  // A silent sample still leaves a two-pixel mark on its centre row.
  auto bar = [&](int x, int centre, std::int32_t m) { canvas.line(x, centre - (m / 400 + 1), x, centre + m / 400 + 1); };
  if (channels != 2) {
    for (int x = 0; x < w; ++x) {
      const std::int32_t m = std::abs(s[x]);
      DisplayMagnitudes[static_cast<std::size_t>(x)] = m;
      bar(x, h / 2, m);
    }
    drawLevelLines();
  } else {
    for (int x = 0; x < w; ++x) {
      const std::int32_t left = std::abs(s[2 * x]), right = std::abs(s[2 * x + 1]);
      DisplayMagnitudes[static_cast<std::size_t>(2 * x)] = left;
      DisplayMagnitudes[static_cast<std::size_t>(2 * x + 1)] = right;
      bar(x, h / 4, left);
      bar(x, (3 * h) / 4, right);
    }
  }
  CopyToSpectrumBox();
}

std::string Display::ClockText(std::int64_t hours, int minutes, int seconds) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02lld:%02d:%02d", static_cast<long long>(hours), minutes, seconds);
  return buf;
}

void Display::ShowElapsedTime() {
  const auto& s = c_.s;
  if (s.InputFileOpen == 1) {
    if (s.WaveFormat.SampleRate == 0) return;
    // Bytes played so far; never below zero, even past the end of the data.
    std::int64_t bytes = static_cast<std::int64_t>(s.InputDataBytes) - s.PlayBytesRemaining;
    if (bytes < 0) bytes = 0;
    const std::uint64_t bytesPerSecond = static_cast<std::uint64_t>(s.WaveFormat.SampleRate) * (s.ChannelCount == 1 ? 2 : 4);
    const std::uint64_t t = static_cast<std::uint64_t>(bytes) / bytesPerSecond;
    c_.ui.TimerMemo.setText(ClockText(static_cast<std::int64_t>(t / 3600), static_cast<int>(t / 60 % 60), static_cast<int>(t % 60)));
  } else if (s.OutputFileOpen == 1) {
    ShowZeroElapsed();
  }
}

void Display::ShowZeroElapsed() {
  const HourCounterModel& c = c_.ui.RecordPlayTimer;
  c_.ui.TimerMemo.setText(ClockText(c.hours(), c.minutes(), c.seconds()));
}

void Display::chooseView(std::int32_t type) {
  c_.ui.Time1.setChecked(type == 0);
  c_.ui.Waterfall1.setChecked(type == 1);
  c_.s.DisplayType = type;
  CopyToSpectrumBox();  // the new view shows from the next buffer
}

}  // namespace quorvane
