#include "cli/StatusLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/TVOXForm.h"

namespace quorvane {

namespace {

std::int64_t monotonicNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

constexpr std::int64_t RedrawNs = 200000000;

}  // namespace

StatusLine::StatusLine(bool shown) : shown_(shown), startNs_(monotonicNs()) {}

std::string StatusLine::clock(double seconds) {
  const auto s = static_cast<long long>(std::max(0.0, seconds));
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  return text;
}

bool StatusLine::due() {
  if (!shown_) return false;
  const std::int64_t now = monotonicNs();
  if (drawn_ && now - lastNs_ < RedrawNs) return false;
  lastNs_ = now;
  return true;
}

void StatusLine::draw(const std::string& text) {
  std::fprintf(stderr, "\r%s\033[K", text.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void StatusLine::recording(const TVOXForm& form) {
  if (!due()) return;
  // The peak of the buffer processed last, in dB below full scale.
  const int n = std::min<int>(form.InputBufferBytes / 2, static_cast<int>(form.WorkSamples.size()));
  std::int32_t peak = 0;
  for (int i = 0; i < n; ++i) peak = std::max(peak, std::abs(form.WorkSamples[static_cast<std::size_t>(i)]));
  const double db = peak > 0 ? 20.0 * std::log10(std::min(peak, 32767) / 32767.0) : -99.0;
  const double fileSeconds =
      form.WaveFormat.AvgBytesPerSec ? static_cast<double>(form.OutputDataBytes) / form.WaveFormat.AvgBytesPerSec : 0;
  char text[160];
  std::snprintf(text, sizeof text, "%s  level %5.1f dBFS  gate %s  in file %s",
                clock((monotonicNs() - startNs_) / 1e9).c_str(), db, form.GateOpen == 1 ? "open" : "shut",
                clock(fileSeconds).c_str());
  draw(text);
}

void StatusLine::processing(const TVOXForm& form) {
  if (!due() || form.InputDataBytes == 0 || form.WaveFormat.AvgBytesPerSec == 0) return;
  const double total = form.InputDataBytes;
  const double done = std::clamp(total - static_cast<double>(form.PlayBytesRemaining), 0.0, total);
  const double share = done / total;
  const double seconds = (monotonicNs() - startNs_) / 1e9;
  const double speed = seconds > 0 ? done / form.WaveFormat.AvgBytesPerSec / seconds : 0;
  const double left = speed > 0 ? (total - done) / form.WaveFormat.AvgBytesPerSec / speed : 0;
  constexpr int Width = 30;
  const int filled = static_cast<int>(share * Width);
  char text[160];
  std::snprintf(text, sizeof text, "[%s%s] %3d%%  %.0fx real time  %s left", std::string(filled, '#').c_str(),
                std::string(Width - filled, ' ').c_str(), static_cast<int>(share * 100), speed, clock(left).c_str());
  draw(text);
}

void StatusLine::finish() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace quorvane
