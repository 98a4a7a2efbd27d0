#include "app/LoggingForm.h"

#include <charconv>

namespace quorvane {

LoggingForm::LoggingForm(FormContext c, LoggingSettings& settings) : c_(c), settings_(settings) {
  Window.setVisible(false);
  const Field fields[] = {
      {PreRollMemo, settings_.preRollBuffers, LoggingSettings::MaxPreRollBuffers, "The pre-roll"},
      {MinLengthMemo, settings_.minLengthMs, LoggingSettings::MaxMinLengthMs, "The minimum length"},
      {MaxLengthMemo, settings_.maxLengthMinutes, LoggingSettings::MaxMaxLengthMinutes, "The maximum length"},
  };
  for (const Field& f : fields) {
    f.memo.onKeyPress = [&memo = f.memo](char k) {
      memo.setFontColour(clRed);  // typed, not yet applied
      return (k >= '0' && k <= '9') || k == 8 || k == 13;
    };
    f.memo.onKeyUp = [this, f](int key) {
      if (key == 13) apply(f);
    };
    f.memo.onExit = [this, f] { apply(f); };
  }
  OneFileBox.onClick = [this] { settings_.onePerTransmission = OneFileBox.checked(); };
}

void LoggingForm::Show() {
  if (Window.visible()) return;
  Window.setVisible(true);
  Refresh();
}

void LoggingForm::Refresh() {
  PreRollMemo.setText(std::to_string(settings_.preRollBuffers));
  MinLengthMemo.setText(std::to_string(settings_.minLengthMs));
  MaxLengthMemo.setText(std::to_string(settings_.maxLengthMinutes));
  for (MemoModel* m : {&PreRollMemo, &MinLengthMemo, &MaxLengthMemo}) m->setFontColour(clBlack);
  OneFileBox.setChecked(settings_.onePerTransmission);
}

void LoggingForm::apply(const Field& f) {
  const std::string& text = f.memo.text();
  int v = -1;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size() || v < 0 || v > f.max) {
    c_.host.messageBox(std::string(f.what) + " must be a whole number from 0 to " + std::to_string(f.max),
                       "Logging Settings Error");
  } else {
    f.value = v;
  }
  f.memo.setText(std::to_string(f.value));
  f.memo.setFontColour(clBlack);
}

}  // namespace quorvane
