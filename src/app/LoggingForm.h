#pragma once

#include <string>

#include "files/LoggingSettings.h"
#include "platform/CheckBoxModel.h"
#include "platform/LabelModel.h"
#include "platform/MemoModel.h"
#include "platform/WindowModel.h"
#include "state/FormContext.h"

namespace quorvane {

// The modeless dialog of the logging settings (Settings > Logging...). As in
// the band-pass dialog, a number takes effect on Enter or when its field is
// left; one out of range is refused with a message and the field shows the
// value in force again. A recording takes the values in force when it starts.
class LoggingForm {
 public:
  LoggingForm(FormContext c, LoggingSettings& settings);
  LoggingForm(const LoggingForm&) = delete;
  LoggingForm& operator=(const LoggingForm&) = delete;

  WindowModel Window{"LoggingForm", "Logging", 440, 212, clSilver};
  LabelModel PreRollLabel{"PreRollLabel", "Pre-roll, buffers of 93 ms (0 to 5)", {16, 18, 290, 20}};
  MemoModel PreRollMemo{"PreRollMemo", "0", false, {316, 14, 108, 26}};
  LabelModel MinLengthLabel{"MinLengthLabel", "Minimum length, ms (0 to 2000)", {16, 54, 290, 20}};
  MemoModel MinLengthMemo{"MinLengthMemo", "0", false, {316, 50, 108, 26}};
  LabelModel MaxLengthLabel{"MaxLengthLabel", "Maximum length, minutes (0: none)", {16, 90, 290, 20}};
  MemoModel MaxLengthMemo{"MaxLengthMemo", "0", false, {316, 86, 108, 26}};
  CheckBoxModel OneFileBox{"OneFileBox", "One file per transmission", {16, 124, 300, 20}};
  LabelModel HintLabel{"HintLabel", "Press \"Enter\" to apply; a recording takes the values at its start",
                       {16, 170, 410, 20}};

  void Show();
  void FormClose() { Window.setVisible(false); }
  // Shows the values in force.
  void Refresh();

 private:
  struct Field {
    MemoModel& memo;
    int& value;
    int max;
    const char* what;
  };
  void apply(const Field& f);

  FormContext c_;
  LoggingSettings& settings_;
};

}  // namespace quorvane
