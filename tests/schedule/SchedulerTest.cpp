#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "FormFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

constexpr int kOffset = 2 * 3600;  // local time is UTC + 2 h
constexpr int AM = 1, PM = 2;
constexpr auto Up = UpDownModel::Button::Up;
constexpr auto Down = UpDownModel::Button::Down;

CivilTime at(int hour, int minute, int second, int day = 10) { return CivilTime{2026, 3, day, hour, minute, second}; }

class Clock : public FormFixture {
 protected:
  Clock() {
    startUp();
    host.setUtcOffsetSeconds(kOffset);
    form.scheduler.stopRecording = [this] {
      ++stops;
      form.StopBtnClick();
    };
    form.CurrentTimeMemo.changed.connect([this] { shown += form.CurrentTimeMemo.text().substr(6, 2); });
  }

  // Disarmed, runs to the clock's next tick and sets the local time to `t` there: tick k shows t + k s.
  void setLocal(const CivilTime& t) {
    form.ScheduleActive = 0;
    form.ActivityState = ActivityStopped;
    host.runUntil(host.timerDue(form.SystemTimer));
    tick0 = host.nowMs();
    setWall(t);
  }
  void setWall(const CivilTime& t) { host.setWallClock(epochFromCivil(t) - kOffset); }
  std::int64_t tick(int k) const { return tick0 + 1000 * k; }
  void runTo(int k) { host.runUntil(tick(k)); }
  // The program busy for `ms` just after tick k: the next tick comes late.
  void busyAfter(int k, int ms) { host.at(tick(k) + 100, [this, ms] { host.sleepMs(ms); }); }

  void schedule(const CivilTime& start, int startAmPm, const CivilTime& end, int endAmPm) {
    form.StartHour = start.hour, form.StartMinute = start.minute, form.StartSecond = start.second;
    form.StopHour = end.hour, form.StopMinute = end.minute, form.StopSecond = end.second;
    form.StartAmPm = startAmPm, form.StopAmPm = endAmPm;
    form.timeEditor.RefreshTimeLabels();
  }
  // What Record does with the timer enabled; the record loop itself is not needed here.
  void arm(bool timer = true, std::int32_t state = ActivityRecording) {
    if (form.TimerCheckBox.checked() != timer) form.TimerCheckBox.click();
    form.ActivityState = state;
    form.StopRequested = 0;
  }
  // Second by second up to tick n: the seconds the clock showed meanwhile when
  // `seconds`, then 'S' when Record was stopped, 'o' while the window is open, '.' else.
  std::string watch(int n, bool seconds = false) {
    std::string seen;
    shown.clear();
    for (int k = 1, before = stops; k <= n; ++k, before = stops) {
      runTo(k);
      seen += (seconds ? shown : "") + (stops > before ? 'S' : form.ScheduleActive ? 'o' : '.');
      shown.clear();
    }
    return seen;
  }

  // Both time rows as shown, each red label in brackets, and when the two-second timer is due.
  std::string rows() {
    std::string out;
    for (const LabelModel* l : {&form.Start_Hr, &form.Start_Min, &form.Start_Sec, &form.Start_AM_PM, &form.Stop_Hr,
                                &form.Stop_Min, &form.Stop_Sec, &form.Stop_AM_PM})
      out += (l == &form.Stop_Hr ? " " : "") + (l->fontColour() == clRed ? "[" + l->text() + "]" : l->text());
    const std::int64_t due = host.timerDue(form.SetRecordTimer) - host.nowMs();
    return form.SetRecordTimer.enabled() ? out + " +" + std::to_string(due) : out;
  }

  int stops = 0;
  std::string shown;
  std::int64_t tick0 = 0;
};
using TimeEditing = Clock;

}  // namespace

TEST_F(Clock, ShowsLocalTimeOnA12HourFaceAndUniversalTimeIn24Hours) {
  const std::pair<CivilTime, const char*> cases[] = {
      {at(0, 29, 59), "12:30:00 AM 22:30:00"}, {at(12, 0, 4), "12:00:05 PM 10:00:05"},
      {at(15, 7, 8), "03:07:09 PM 13:07:09"}, {at(11, 59, 59), "12:00:00 PM 10:00:00"}};
  for (const auto& [before, localAndUtc] : cases) {
    setLocal(before);
    runTo(1);
    EXPECT_EQ(form.CurrentTimeMemo.text() + " " + form.GmtMemo.text(), localAndUtc);
  }
}

// Only a timed sound-card recording is opened or stopped; hour 0 never matches
// but 12 AM is midnight; an end at or before the start stops without having
// opened; each is stopped once.
TEST_F(Clock, ATimedRecordingOpensAtTheStartAndIsStoppedOnceAtTheEnd) {
  // Start, end, the local time at tick 0, the timer box, the activity, and what each tick saw.
  const std::tuple<CivilTime, int, CivilTime, int, CivilTime, bool, std::int32_t, const char*> rows[] = {
      {at(10, 0, 5), AM, at(10, 0, 8), AM, at(10, 0, 0), true, ActivityRecording, "....oooS.........."},
      {at(10, 0, 1), AM, at(10, 0, 2), AM, at(10, 0, 0), false, ActivityRecording, "...."},
      {at(10, 0, 1), AM, at(10, 0, 2), AM, at(10, 0, 0), true, ActivityFileTransfer, "...."},
      {at(0, 0, 0), AM, at(0, 0, 2), AM, at(23, 59, 58), true, ActivityRecording, "......"},
      {at(12, 0, 10), AM, at(12, 0, 12), AM, at(23, 59, 58), true, ActivityRecording, "...........ooS..."},
      {at(3, 15, 3), PM, at(3, 15, 3), PM, at(15, 15, 0), true, ActivityRecording, "..S.."},
      {at(3, 15, 3), PM, at(3, 15, 1), PM, at(15, 15, 0), true, ActivityRecording, "S...."},
      {at(10, 0, 2), PM, at(0, 0, 0), AM, at(10, 0, 0), true, ActivityRecording, "....."},  // AM is not PM
      {at(10, 1, 2), AM, at(11, 0, 3), AM, at(10, 0, 0), true, ActivityRecording, "....."},  // nor another minute, hour
  };
  for (const auto& [start, startAmPm, end, endAmPm, local, timer, state, ticks] : rows) {
    SCOPED_TRACE(ticks);
    schedule(start, startAmPm, end, endAmPm);
    setLocal(local);
    arm(timer, state);
    EXPECT_EQ(watch(int(std::strlen(ticks))), ticks);
    EXPECT_EQ(form.ActivityState, std::strchr(ticks, 'S') ? ActivityStopped : state);
  }
}

// While armed each second passed is tested once, in order. A tick comes late
// when the program was busy: the seconds it stepped over still open and end the
// window, and nothing after a stop. Five seconds are caught up; a clock set
// further ahead is not replayed, nor a second matched twice when the clock is
// set back a little. Armed after the start time, the window waits for the next
// day; a start changed while armed counts at once. From 10:00:00 AM, a window
// of the seconds given.
TEST_F(Clock, WhileArmedEachSecondPassedIsTestedOnceInOrder) {
  const std::tuple<int, int, std::function<void()>, int, const char*> rows[] = {
      {3, 7, [this] { busyAfter(2, 2000); busyAfter(6, 2000); }, 10, "01.02.04oo05o06o08S.09.10."},
      {3, 2, [this] { busyAfter(1, 2500); }, 6, "01.03S.04.05.06."},
      {2, 0, [this] { busyAfter(1, 5500); }, 7, "01.06ooooo07o"},
      // Set ahead right after the first tick, which was queued before.
      {3, 0, [this] { host.at(tick(1), [this] { setWall(at(10, 0, 6)); }); }, 4, "01.07.08.09."},
      {0, 5, [this] {
         host.at(tick(5) + 100, [this] {
           arm();  // Record again at once, then the clock is corrected two seconds back
           setWall(at(10, 0, 3));
         });
       }, 9, "01.02.03.04.05S03.04.05.06."},
      {0, 0, [this] {
         schedule(at(9, 59, 30), AM, at(10, 30, 0), AM);
         host.at(tick(2), [this] { setWall(at(9, 59, 27, 11)); });
       }, 5, "01.27.28.29.30o"},
      {0, 0, [this] {
         schedule(at(10, 0, 2), PM, at(0, 0, 0), AM);
         host.at(tick(3), [this] { schedule(at(10, 0, 5), AM, at(0, 0, 0), AM); });
       }, 5, "01.02.03.04.05o"},
  };
  for (const auto& [start, end, meanwhile, ticks, log] : rows) {
    SCOPED_TRACE(log);
    schedule(at(start ? 10 : 0, 0, start), AM, at(end ? 10 : 0, 0, end), AM);
    setLocal(at(10, 0, 0));
    arm();
    meanwhile();
    EXPECT_EQ(watch(ticks, true), log);
  }
}

// Clicking a label selects it alone, stops the two-second timer and gives its
// row's arrows the field's range and stored value. Each step stores and shows
// the new value; the arrows stop at the ends of each range without wrapping,
// and 00h can be set. A selection alone never times out; every step, even with
// nothing selected or on the other row's arrows (which store nothing), counts
// two seconds afresh, and then the row last stepped is cleared, once.
TEST_F(TimeEditing, ClickedLabelsAreSteppedWithinTheirRangeUntilTwoSecondsAfterTheLastStep) {
  schedule(at(0, 0, 0), AM, at(0, 0, 42), PM);
  UpDownModel *start = &form.StartTimeUpDn, *stop = &form.StopTimeUpDn;
  // Each step: a label clicked (or none), the time that passes, the arrows pressed so often, what is seen.
  const std::tuple<LabelModel*, int, UpDownModel*, UpDownModel::Button, int, const char*> steps[] = {
      {nullptr, 500, start, Up, 3, "00h00m00sAM 00h00m42sPM +2000"},
      {&form.Start_Min, 0, start, Up, 0, "00h[00m]00sAM 00h00m42sPM"},
      {nullptr, 10000, start, Up, 70, "00h[59m]00sAM 00h00m42sPM +2000"},
      {&form.Start_Hr, 0, start, Up, 7, "[07h]59m00sAM 00h00m42sPM +2000"},
      {nullptr, 0, start, Up, 10, "[12h]59m00sAM 00h00m42sPM +2000"},
      {nullptr, 0, start, Down, 20, "[00h]59m00sAM 00h00m42sPM +2000"},
      {&form.Stop_Sec, 0, stop, Up, 3, "00h59m00sAM 00h00m[45s]PM +2000"},
      {nullptr, 0, stop, Down, 50, "00h59m00sAM 00h00m[00s]PM +2000"},
      {&form.Start_AM_PM, 0, start, Up, 2, "00h59m00s[PM] 00h00m00sPM +2000"},
      {nullptr, 0, start, Down, 3, "00h59m00s[AM] 00h00m00sPM +2000"},
      {&form.Stop_AM_PM, 0, stop, Down, 1, "00h59m00sAM 00h00m00s[AM] +2000"},
      {&form.Stop_Min, 0, stop, Up, 1, "00h59m00sAM 00h[01m]00sAM +2000"},
      {nullptr, 1900, stop, Up, 1, "00h59m00sAM 00h[02m]00sAM +2000"},
      {nullptr, 1900, stop, Up, 0, "00h59m00sAM 00h[02m]00sAM +100"},
      {nullptr, 200, stop, Up, 0, "00h59m00sAM 00h02m00sAM"},
      {&form.Start_Sec, 0, stop, Up, 1, "00h59m[00s]AM 00h02m00sAM +2000"},
      {nullptr, 2000, stop, Up, 0, "00h59m[00s]AM 00h02m00sAM"},  // the end row, the one last stepped, is cleared
      {nullptr, 0, start, Up, 1, "00h59m[01s]AM 00h02m00sAM +2000"}};
  for (auto [label, ms, arrows, button, times, seen] : steps) {
    SCOPED_TRACE(label ? "after clicking " + label->name() : "");
    if (label) label->click();
    host.runFor(ms);
    for (int i = 0; i < times; ++i) arrows->click(button);
    EXPECT_EQ(rows(), seen);
  }
  EXPECT_EQ(std::tuple(form.StartHour, form.StartMinute, form.StartSecond, form.StartAmPm), std::tuple(0, 59, 1, 1));
  EXPECT_EQ(std::tuple(form.StopHour, form.StopMinute, form.StopSecond, form.StopAmPm), std::tuple(0, 2, 0, 1));
}
