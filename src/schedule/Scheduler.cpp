#include "schedule/Scheduler.h"

#include <cstdio>

namespace quorvane {

Scheduler::TwelveHour Scheduler::twelveHour(int hour24) {
  if (hour24 == 0) return {12, "AM"};
  if (hour24 < 12) return {hour24, "AM"};
  if (hour24 == 12) return {12, "PM"};
  return {hour24 - 12, "PM"};
}

std::string Scheduler::localText(const CivilTime& t) {
  const TwelveHour h = twelveHour(t.hour);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d %s", h.hour, t.minute, t.second, h.amPm);
  return buf;
}

std::string Scheduler::universalText(const CivilTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return buf;
}

bool Scheduler::armed() const { return c_.s.TimerEnabled == 1 && c_.s.ActivityState == ActivityRecording; }

void Scheduler::SystemTimerTimer() {
  Host& host = c_.host;
  const std::int64_t now = host.wallClockSeconds();
  c_.ui.CurrentTimeMemo.setText(localText(host.localTime(now)));
  c_.ui.GmtMemo.setText(universalText(host.utcTime(now)));

  if (!armed()) {
    lastTested_.reset();
    return;
  }
  const bool clockChanged =
      lastTested_ && (now - *lastTested_ > kMaxCatchUpSeconds || *lastTested_ - now > kMaxCatchUpSeconds);
  if (!lastTested_ || clockChanged) {
    // Just armed, or the system clock was set: this second only.
    testSecond(now);
    lastTested_ = now;
    return;
  }
  // Every second since the last tick, in order, so a late tick still opens or
  // ends the window. No second is tested twice (two ticks within one second,
  // a clock set back a little), so each match acts exactly once.
  for (std::int64_t second = *lastTested_ + 1; second <= now && armed(); ++second) testSecond(second);
  if (now > *lastTested_) lastTested_ = now;
}

void Scheduler::testSecond(std::int64_t epochSecond) {
  auto& s = c_.s;
  auto& ui = c_.ui;
  const CivilTime local = c_.host.localTime(epochSecond);
  const TwelveHour h = twelveHour(local.hour);
  // The AM/PM of each time is read from its label, as the user sees it.
  auto matches = [&](std::int32_t hour, std::int32_t minute, std::int32_t second, const LabelModel& amPm) {
    return hour == h.hour && minute == local.minute && second == local.second && amPm.text() == h.amPm;
  };
  if (matches(s.StartHour, s.StartMinute, s.StartSecond, ui.Start_AM_PM)) s.ScheduleActive = 1;
  if (matches(s.StopHour, s.StopMinute, s.StopSecond, ui.Stop_AM_PM)) {
    s.ScheduleActive = 0;
    if (stopRecording) stopRecording();
  }
}

}  // namespace quorvane
