#include "schedule/TimeEditor.h"

namespace quorvane {

namespace {

struct Range {
  int min;
  int max;
};

}  // namespace

LabelModel& TimeEditor::label(Row row, Field field) {
  auto& ui = c_.ui;
  const bool start = row == Row::Start;
  switch (field) {
    case Field::Hour:
      return start ? ui.Start_Hr : ui.Stop_Hr;
    case Field::Minute:
      return start ? ui.Start_Min : ui.Stop_Min;
    case Field::Second:
      return start ? ui.Start_Sec : ui.Stop_Sec;
    case Field::AmPm:
      break;
  }
  return start ? ui.Start_AM_PM : ui.Stop_AM_PM;
}

std::int32_t& TimeEditor::value(Row row, Field field) {
  auto& s = c_.s;
  const bool start = row == Row::Start;
  switch (field) {
    case Field::Hour:
      return start ? s.StartHour : s.StopHour;
    case Field::Minute:
      return start ? s.StartMinute : s.StopMinute;
    case Field::Second:
      return start ? s.StartSecond : s.StopSecond;
    case Field::AmPm:
      break;
  }
  return start ? s.StartAmPm : s.StopAmPm;
}

UpDownModel& TimeEditor::upDown(Row row) { return row == Row::Start ? c_.ui.StartTimeUpDn : c_.ui.StopTimeUpDn; }

void TimeEditor::setRowColour(Row row, Colour colour) {
  for (Field f : kFields) label(row, f).setFontColour(colour);
}

std::string TimeEditor::fieldText(std::int32_t v, char unit) {
  // Appended piece by piece: "0" + std::string trips a false -Wrestrict in GCC 12 at -O3.
  std::string text = v < 10 ? "0" : "";
  text += std::to_string(v);
  return text + unit;
}

std::string TimeEditor::amPmText(std::int32_t v) { return v == 1 ? "AM" : "PM"; }

void TimeEditor::showValue(Row row, Field field) {
  const std::int32_t v = value(row, field);
  switch (field) {
    case Field::Hour:
      label(row, field).setText(fieldText(v, 'h'));
      break;
    case Field::Minute:
      label(row, field).setText(fieldText(v, 'm'));
      break;
    case Field::Second:
      label(row, field).setText(fieldText(v, 's'));
      break;
    case Field::AmPm:
      label(row, field).setText(amPmText(v));
      break;
  }
}

void TimeEditor::RefreshTimeLabels() {
  for (Row row : {Row::Start, Row::Stop})
    for (Field f : kFields) showValue(row, f);
}

void TimeEditor::select(Row row, Field field) {
  setRowColour(row, clBlack);
  label(row, field).setFontColour(clRed);

  // Hours run 0..12 so that "00h", the value a new schedule starts with, can
  // be shown and set again. The arrows stop at the ends: no wrap-around.
  const Range range = field == Field::Hour ? Range{0, 12} : field == Field::AmPm ? Range{1, 2} : Range{0, 59};
  UpDownModel& arrows = upDown(row);
  arrows.setMax(range.max);
  arrows.setMin(range.min);
  // A value out of range (a damaged configuration file) stays stored and
  // shown; the control holds its nearest end until the next step stores that.
  arrows.setPosition(static_cast<std::int16_t>(value(row, field)));

  c_.ui.SetRecordTimer.setEnabled(false);
  setRowColour(row == Row::Start ? Row::Stop : Row::Start, clBlack);
}

void TimeEditor::step(Row row) {
  for (Field f : kFields) {
    if (label(row, f).fontColour() != clRed) continue;
    value(row, f) = upDown(row).position();
    showValue(row, f);
    break;
  }
  // Every step, even one with nothing selected, starts the two seconds afresh.
  c_.ui.SetRecordTimer.setEnabled(false);
  c_.s.LastEditedTime = row == Row::Start ? 1 : 2;
  c_.ui.SetRecordTimer.setEnabled(true);
}

void TimeEditor::SetRecordTimerTimer() {
  c_.ui.SetRecordTimer.setEnabled(false);
  setRowColour(c_.s.LastEditedTime == 1 ? Row::Start : Row::Stop, clBlack);
}

}  // namespace quorvane
