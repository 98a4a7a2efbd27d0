#pragma once

#include "state/FormContext.h"

namespace quorvane {

// The check boxes and up/down controls of the Play/Record, Input, Output and
// Timer groups. Each turns a control's state into the values the loops read
// at their next buffer; none looks at what the engine is doing.
class ControlPanel {
 public:
  explicit ControlPanel(FormContext c) : c_(c) {}

  void FileTransferCheckBoxClick();
  void VoxCheckBoxClick();
  void FilterCheckBoxClick();
  void FileBypassBoxClick();
  void MuteCheckBoxClick();
  void TimerCheckBoxClick();
  void InputUpDnGainClick();
  void InputThresholdUpDnClick();
  void OutputUpDnGainClick();

 private:
  FormContext c_;
};

}  // namespace quorvane
