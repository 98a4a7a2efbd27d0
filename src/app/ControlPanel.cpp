#include "app/ControlPanel.h"

#include <cmath>
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

// The output buffers are not touched here: the device may be playing them on its
// own thread. The record loop silences each one when it next holds it.
void ControlPanel::MuteCheckBoxClick() { c_.s.MuteEnabled = flag(c_.ui.MuteCheckBox); }

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
