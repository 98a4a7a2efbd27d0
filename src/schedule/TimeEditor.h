#pragma once

#include <cstdint>
#include <string>

#include "platform/LabelModel.h"
#include "platform/UpDownModel.h"
#include "state/FormContext.h"

namespace quorvane {

// The start and end times of a timed recording, edited field by field: a
// click on a label selects it (red text) and sets its row's up/down control
// to that field's range and value; each up/down step stores and shows the
// new value. Two seconds after the last step the selection is dropped. The
// red colour is the selection itself, so what the user sees is what the
// arrows edit.
class TimeEditor {
 public:
  explicit TimeEditor(FormContext c) : c_(c) {}

  void Start_HrClick() { select(Row::Start, Field::Hour); }
  void Start_MinClick() { select(Row::Start, Field::Minute); }
  void Start_SecClick() { select(Row::Start, Field::Second); }
  void Start_AM_PMClick() { select(Row::Start, Field::AmPm); }
  void Stop_HrClick() { select(Row::Stop, Field::Hour); }
  void Stop_MinClick() { select(Row::Stop, Field::Minute); }
  void Stop_SecClick() { select(Row::Stop, Field::Second); }
  void Stop_AM_PMClick() { select(Row::Stop, Field::AmPm); }

  void StartTimeUpDnClick() { step(Row::Start); }
  void StopTimeUpDnClick() { step(Row::Stop); }

  // The one-shot timer two seconds after the last up/down step.
  void SetRecordTimerTimer();

  // Sets the eight labels from the eight stored values, start row first.
  void RefreshTimeLabels();

  // "07h", "12m", "00s": two digits at least, then the unit.
  static std::string fieldText(std::int32_t value, char unit);
  // "AM" for 1, "PM" for anything else.
  static std::string amPmText(std::int32_t value);

 private:
  enum class Row { Start, Stop };
  enum class Field { Hour, Minute, Second, AmPm };
  static constexpr Field kFields[] = {Field::Hour, Field::Minute, Field::Second, Field::AmPm};

  LabelModel& label(Row row, Field field);
  std::int32_t& value(Row row, Field field);
  UpDownModel& upDown(Row row);
  void setRowColour(Row row, Colour colour);
  void showValue(Row row, Field field);
  void select(Row row, Field field);
  void step(Row row);

  FormContext c_;
};

}  // namespace quorvane
