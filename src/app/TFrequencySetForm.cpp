#include "app/TFrequencySetForm.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace quorvane {

TFrequencySetForm::TFrequencySetForm(FormContext c) : c_(c) {
  Window.setVisible(false);
  LoFreqMemo.onKeyPress = [this](char k) { return LoFreqMemoKeyPress(k); };
  HiFreqMemo.onKeyPress = [this](char k) { return HiFreqMemoKeyPress(k); };
  LoFreqMemo.onKeyUp = [this](int k) { LoFreqMemoKeyUp(k); };
  HiFreqMemo.onKeyUp = [this](int k) { HiFreqMemoKeyUp(k); };
  LoFreqMemo.onExit = [this] { LoFreqMemoExit(); };
  HiFreqMemo.onExit = [this] { HiFreqMemoExit(); };
}

void TFrequencySetForm::Show() {
  if (Window.visible()) return;
  Window.setVisible(true);
  FormShow();
}

void TFrequencySetForm::FormShow() {
  HiFreqMemo.setText("");
  LoFreqMemo.setText("");
  LoFreqMemo.setText(fixedText(c_.s.LowFrequency));
  HiFreqMemo.setText(fixedText(c_.s.HighFrequency));
}

bool TFrequencySetForm::keyFilter(MemoModel& memo, char key) {
  // Red marks a value typed but not yet applied.
  memo.setFontColour(clRed);
  return (key >= '0' && key <= '9') || key == '.' || key == 8 || key == 13;
}

void TFrequencySetForm::LoFreqMemoKeyUp(int key) {
  if (key == 13) apply(Edge::Low, "Frequency Set");
}

void TFrequencySetForm::HiFreqMemoKeyUp(int key) {
  if (key == 13) apply(Edge::High, "Frequency Set Error");
}

void TFrequencySetForm::apply(Edge edge, const char* caption) {
  auto& s = c_.s;
  MemoModel& memo = edge == Edge::Low ? LoFreqMemo : HiFreqMemo;
  float& stored = edge == Edge::Low ? s.LowFrequency : s.HighFrequency;
  const std::optional<double> value = parseNumber(memo.text());
  if (!value) {
    // Not a number: nothing changes and the text stays red for the user to mend.
    c_.host.messageBox("'" + memo.text() + "' is not a valid floating point value", caption);
    return;
  }
  // Whole-number parts, held within 32 bits whatever was typed.
  auto whole = [](double x) {
    const double t = std::trunc(x);
    if (t >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(t);
  };
  const std::int32_t v = whole(*value);
  const std::int32_t half = static_cast<std::int32_t>(s.WaveFormat.SampleRate / 2);
  const char* refusal = nullptr;
  if (v > half) {
    refusal = "Frequency must be less than 1/2 the sample rate";
  } else if (edge == Edge::Low && v > whole(s.HighFrequency)) {
    refusal = "Frequency must lower than the high frequency";
  } else if (edge == Edge::High && v < whole(s.LowFrequency)) {
    refusal = "Frequency must higher than the low frequency";
  }
  if (refusal) {
    c_.host.messageBox(refusal, caption);
    memo.setText("");
    memo.setText(generalText(stored));
  } else {
    stored = static_cast<float>(*value);
    memo.setText(fixedText(stored));
  }
  memo.setFontColour(clBlack);
  if (redesign) redesign();
}

std::string TFrequencySetForm::fixedText(float hz) {
  // Five significant digits, then one decimal.
  double v = hz;
  if (v != 0.0 && std::isfinite(v)) {
    const double scale = std::pow(10.0, 4 - static_cast<int>(std::floor(std::log10(std::fabs(v)))));
    if (scale < 10.0) v = std::round(v * scale) / scale;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

std::string TFrequencySetForm::generalText(float hz) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, hz);
  return std::string(buf, r.ptr);
}

std::optional<double> TFrequencySetForm::parseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  double v = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, v, std::chars_format::fixed);
  if (r.ec != std::errc() || r.ptr != end || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace quorvane
