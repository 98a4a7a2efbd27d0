#include "app/ControlPanel.h"

#include <cmath>
#include <cstring>
#include <string>

namespace quorvane {

namespace {

std::uint8_t flag(const CheckBoxModel& box) { return box.checked() ? 1 : 0; }

// A whole number of dB in its shortest decimal form.
std::string decibels(float x) { return std::to_string(static_cast<long>(x)) + " dB"; }

}  // namespace

void ControlPanel::FileTransferCheckBoxClick() { c_.s.FileTransfer = flag(c_.ui.FileTransferCheckBox); }
void ControlPanel::VoxCheckBoxClick() { c_.s.VoxEnabled = flag(c_.ui.VoxCheckBox); }
void ControlPanel::FilterCheckBoxClick() { c_.s.FilterEnabled = flag(c_.ui.FilterCheckBox); }
void ControlPanel::FileBypassBoxClick() { c_.s.FileBypass = flag(c_.ui.FileBypassBox); }

void ControlPanel::MuteCheckBoxClick() {
  auto& s = c_.s;
  s.MuteEnabled = flag(c_.ui.MuteCheckBox);
  if (s.MuteEnabled) {
    // The monitor falls silent at once, even for buffers already queued.
    std::memset(s.OutputBufferA.get(), 0, s.InputBufferBytes);
    std::memset(s.OutputBufferB.get(), 0, s.InputBufferBytes);
  }
}

void ControlPanel::TimerCheckBoxClick() {
  c_.s.TimerEnabled = flag(c_.ui.TimerCheckBox);
  if (!c_.s.TimerEnabled) c_.ui.TimeRecordLED.SetChecked(false);
}

void ControlPanel::InputUpDnGainClick() {
  const int p = static_cast<std::int16_t>(c_.ui.InputUpDnGain.position());
  c_.s.HangTimeIndex = p;
  if (p == 0) {
    c_.ui.SquelchTimer.setInterval(500);
    c_.ui.InputGainMemo.setText("   0.5 sec");
  } else {
    c_.ui.SquelchTimer.setInterval(p * 1000);
    c_.ui.InputGainMemo.setText("    " + std::to_string(p) + " sec");
  }
}

void ControlPanel::InputThresholdUpDnClick() {
  const int p = c_.ui.InputThresholdUpDn.position();
  const float x = static_cast<float>(p);
  c_.s.ThresholdFactor = std::pow(10.0f, 0.05f * x);
  c_.ui.ThresholdMemo.setText("     " + decibels(x));
  c_.s.ThresholdDb = p;
}

void ControlPanel::OutputUpDnGainClick() {
  const int p = c_.ui.OutputUpDnGain.position();
  const float x = static_cast<float>(p);
  c_.s.GainFactor = static_cast<std::int32_t>(std::pow(10.0f, 0.05f * x));
  c_.ui.OutputGainMemo.setText("    " + decibels(x));
  c_.s.OutputGainDb = p;
}

}  // namespace quorvane
