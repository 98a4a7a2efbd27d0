#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "FormFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

constexpr int kOffset = 2 * 3600;  // local time is UTC + 2 h
constexpr int AM = 1, PM = 2;

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
    // What the clock showed, to prove which seconds the ticks fell on.
    form.CurrentTimeMemo.changed.connect([this] { shown.push_back(form.CurrentTimeMemo.text()); });
  }

  // Runs to the clock's next tick and sets the local time to `t` there: tick k shows t + k s.
  void setLocal(const CivilTime& t) {
    host.runUntil(host.timerDue(form.SystemTimer));
    tick0 = host.nowMs();
    setWall(t);
  }
  void setWall(const CivilTime& t) { host.setWallClock(epochFromCivil(t) - kOffset); }
  std::int64_t tick(int k) const { return tick0 + 1000 * k; }
  void runTo(int k) { host.runUntil(tick(k)); }

  void schedule(const CivilTime& start, int startAmPm, const CivilTime& end, int endAmPm) {
    form.StartHour = start.hour, form.StartMinute = start.minute, form.StartSecond = start.second;
    form.StopHour = end.hour, form.StopMinute = end.minute, form.StopSecond = end.second;
    form.StartAmPm = startAmPm, form.StopAmPm = endAmPm;
    form.timeEditor.RefreshTimeLabels();
  }
  // What Record does with the timer enabled; the record loop itself is not needed here.
  void arm() {
    if (!form.TimerCheckBox.checked()) form.TimerCheckBox.click();
    form.ActivityState = ActivityRecording;
    form.StopRequested = 0;
  }
  long timesShown(const std::string& text) const { return std::count(shown.begin(), shown.end(), text); }

  int stops = 0;
  std::vector<std::string> shown;
  std::int64_t tick0 = 0;
};

}  // namespace

TEST_F(Clock, ShowsLocalTimeOnA12HourFaceAndUniversalTimeIn24Hours) {
  const std::tuple<CivilTime, const char*, const char*> cases[] = {
      {at(0, 29, 59), "12:30:00 AM", "22:30:00"}, {at(12, 0, 4), "12:00:05 PM", "10:00:05"},
      {at(23, 59, 58), "11:59:59 PM", "21:59:59"}, {at(15, 7, 8), "03:07:09 PM", "13:07:09"},
      {at(11, 59, 59), "12:00:00 PM", "10:00:00"}};
  for (const auto& [before, local, utc] : cases) {
    setLocal(before);
    runTo(1);
    EXPECT_EQ(form.CurrentTimeMemo.text(), local);
    EXPECT_EQ(form.GmtMemo.text(), utc);
  }
}

// Tick by tick from the local time given: 'o' the window is open, 'S' Record was
// stopped, '.' neither. Only a timed sound-card recording is opened or stopped;
// hour 0 never matches but 12 AM is midnight; an end at or before the start
// stops without having opened; each is stopped once.
TEST_F(Clock, ATimedRecordingOpensAtTheStartAndIsStoppedOnceAtTheEnd) {
  struct Row {
    CivilTime start;
    int startAmPm;
    CivilTime end;
    int endAmPm;
    CivilTime local;
    bool timer;
    std::int32_t state;
    const char* ticks;
  };
  const Row rows[] = {
      {at(10, 0, 5), AM, at(10, 0, 8), AM, at(10, 0, 0), true, ActivityRecording, "....oooS.........."},
      {at(10, 0, 1), AM, at(10, 0, 2), AM, at(10, 0, 0), false, ActivityRecording, "...."},
      {at(10, 0, 1), AM, at(10, 0, 2), AM, at(10, 0, 0), true, ActivityStopped, "...."},
      {at(10, 0, 1), AM, at(10, 0, 2), AM, at(10, 0, 0), true, ActivityPaused, "...."},
      {at(10, 0, 1), AM, at(10, 0, 2), AM, at(10, 0, 0), true, ActivityPlaying, "...."},
      {at(10, 0, 1), AM, at(10, 0, 2), AM, at(10, 0, 0), true, ActivityFileTransfer, "...."},
      {at(0, 0, 0), AM, at(0, 0, 2), AM, at(23, 59, 58), true, ActivityRecording, "......"},
      {at(12, 0, 10), AM, at(12, 0, 12), AM, at(23, 59, 58), true, ActivityRecording, "...........ooS..."},
      {at(3, 15, 3), PM, at(3, 15, 3), PM, at(15, 15, 0), true, ActivityRecording, "..S.."},
      {at(3, 15, 3), PM, at(3, 15, 1), PM, at(15, 15, 0), true, ActivityRecording, "S...."},
      {at(10, 0, 2), PM, at(0, 0, 0), AM, at(10, 0, 0), true, ActivityRecording, "....."},  // AM is not PM
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.ticks);
    schedule(r.start, r.startAmPm, r.end, r.endAmPm);
    setLocal(r.local);
    if (form.TimerCheckBox.checked() != r.timer) form.TimerCheckBox.click();
    form.ActivityState = r.state;
    form.StopRequested = 0;
    std::string seen;
    for (int k = 1, before = stops; k <= int(std::strlen(r.ticks)); ++k, before = stops) {
      runTo(k);
      seen += stops > before ? 'S' : form.ScheduleActive ? 'o' : '.';
    }
    EXPECT_EQ(seen, r.ticks);
    EXPECT_EQ(form.ActivityState, std::strchr(r.ticks, 'S') ? ActivityStopped : r.state);
    form.ScheduleActive = 0;
    form.ActivityState = ActivityStopped;  // disarmed: the next row starts afresh
  }
}

TEST_F(Clock, ArmedAfterTheStartTimeWaitsForItTheNextDay) {
  schedule(at(10, 0, 0), AM, at(10, 30, 0), AM);
  setLocal(at(10, 0, 30));
  arm();
  runTo(60);
  EXPECT_EQ(form.ScheduleActive, 0);
  setLocal(at(9, 59, 57, 11));
  runTo(2);
  EXPECT_EQ(form.ScheduleActive, 0);
  runTo(3);
  EXPECT_EQ(form.ScheduleActive, 1);
}

TEST_F(Clock, ChangingTheStartAmPmWhileArmedTakesEffectAtOnce) {
  schedule(at(10, 0, 2), PM, at(0, 0, 0), AM);
  setLocal(at(10, 0, 0));
  arm();
  runTo(3);
  form.Start_AM_PM.click();
  form.StartTimeUpDn.click(UpDownModel::Button::Down);
  form.Start_Sec.click();
  for (int i = 0; i < 3; ++i) form.StartTimeUpDn.click(UpDownModel::Button::Up);
  ASSERT_EQ(form.Start_AM_PM.text(), "AM");
  runTo(4);
  EXPECT_EQ(form.ScheduleActive, 0);
  runTo(5);
  EXPECT_EQ(form.ScheduleActive, 1);
}

// A tick comes more than a second late when the program was busy. The seconds
// it stepped over must still open and end the window, in order, once.
TEST_F(Clock, ALateTickStillOpensAndEndsTheWindow) {
  schedule(at(10, 0, 3), AM, at(10, 0, 7), AM);
  setLocal(at(10, 0, 0));
  arm();
  host.at(tick(2) + 100, [&] { host.sleepMs(2000); });
  host.at(tick(6) + 100, [&] { host.sleepMs(2000); });
  host.runUntil(tick(4) + 200);
  EXPECT_EQ(timesShown("10:00:03 AM"), 0);  // no tick fell into the start second
  EXPECT_EQ(form.ScheduleActive, 1);
  host.runUntil(tick(8) + 200);
  EXPECT_EQ(timesShown("10:00:07 AM"), 0);  // nor into the end second
  EXPECT_EQ(stops, 1);
}

TEST_F(Clock, ALateTickStopsOnceAndDoesNotReopenAfterTheStop) {
  schedule(at(10, 0, 3), AM, at(10, 0, 2), AM);
  setLocal(at(10, 0, 0));
  arm();
  host.at(tick(1) + 100, [&] { host.sleepMs(2500); });  // next tick shows :03
  runTo(10);
  EXPECT_EQ(timesShown("10:00:02 AM"), 0);
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(form.ScheduleActive, 0);
}

TEST_F(Clock, CatchesUpFiveSecondsButDoesNotReplayAClockSetForward) {
  schedule(at(10, 0, 2), AM, at(0, 0, 0), AM);
  setLocal(at(10, 0, 0));
  arm();
  host.at(tick(1) + 100, [&] { host.sleepMs(5500); });  // next tick shows :06, five seconds on
  runTo(7);
  EXPECT_EQ(timesShown("10:00:06 AM"), 1);
  EXPECT_EQ(form.ScheduleActive, 1);

  form.ScheduleActive = 0;
  schedule(at(10, 1, 3), AM, at(0, 0, 0), AM);
  setLocal(at(10, 1, 0));
  runTo(1);
  setWall(at(10, 1, 6));  // the system clock is set ahead: the next tick shows :07
  runTo(4);
  EXPECT_EQ(timesShown("10:01:07 AM"), 1);
  EXPECT_EQ(form.ScheduleActive, 0);
}

TEST_F(Clock, AClockSetBackALittleDoesNotMatchASecondTwice) {
  schedule(at(0, 0, 0), AM, at(10, 0, 5), AM);
  setLocal(at(10, 0, 0));
  arm();
  runTo(5);
  ASSERT_EQ(stops, 1);
  arm();                   // Record again at once,
  setWall(at(10, 0, 3));   // then the clock is corrected two seconds back
  runTo(9);
  EXPECT_EQ(timesShown("10:00:05 AM"), 2);
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(form.ActivityState, ActivityRecording);
}
