#include <gtest/gtest.h>

#include <algorithm>

#include "FormFixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

// Local time is two hours ahead of universal time.
constexpr int kOffset = 2 * 3600;

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
    // Every time the clock showed, to prove which seconds the ticks fell on.
    form.CurrentTimeMemo.changed.connect([this] { shown.push_back(form.CurrentTimeMemo.text()); });
  }

  // Runs to the next tick of the clock and sets the local time to `t` there,
  // so the tick `k` seconds later shows t + k.
  void setLocal(const CivilTime& t) {
    host.runUntil(host.timerDue(form.SystemTimer));
    tick0 = host.nowMs();
    host.setWallClock(epochFromCivil(t) - kOffset);
  }
  // Runs until the clock has ticked `seconds` more times after the tick at `t`.
  void runSeconds(int seconds) { host.runUntil(nextTick(seconds)); }
  std::int64_t nextTick(int seconds) const {
    return tick0 + (host.nowMs() - tick0) / 1000 * 1000 + 1000 * static_cast<std::int64_t>(seconds);
  }
  // The time of the tick `k` seconds after the tick at `t`.
  std::int64_t tick(int k) const { return tick0 + 1000 * static_cast<std::int64_t>(k); }

  void schedule(const CivilTime& start, const char* startAmPm, const CivilTime& end, const char* endAmPm) {
    form.StartHour = start.hour;
    form.StartMinute = start.minute;
    form.StartSecond = start.second;
    form.StartAmPm = std::string(startAmPm) == "AM" ? 1 : 2;
    form.StopHour = end.hour;
    form.StopMinute = end.minute;
    form.StopSecond = end.second;
    form.StopAmPm = std::string(endAmPm) == "AM" ? 1 : 2;
    form.timeEditor.RefreshTimeLabels();
  }

  // What Record does with the timer enabled; the record loop itself is not needed here.
  void arm() {
    if (!form.TimerCheckBox.checked()) form.TimerCheckBox.click();
    form.ActivityState = ActivityRecording;
    form.StopRequested = 0;
  }

  bool wasShown(const std::string& text) const { return std::find(shown.begin(), shown.end(), text) != shown.end(); }

  int stops = 0;
  std::vector<std::string> shown;
  std::int64_t tick0 = 0;
};

}  // namespace

TEST_F(Clock, ShowsLocalTimeOnA12HourFaceAndUniversalTimeIn24Hours) {
  struct Case {
    CivilTime before;  // one second before the tick
    const char* local;
    const char* utc;
  };
  const Case cases[] = {
      {at(0, 29, 59), "12:30:00 AM", "22:30:00"},  {at(12, 0, 4), "12:00:05 PM", "10:00:05"},
      {at(23, 59, 58), "11:59:59 PM", "21:59:59"}, {at(15, 7, 8), "03:07:09 PM", "13:07:09"},
      {at(9, 5, 2), "09:05:03 AM", "07:05:03"},    {at(11, 59, 59), "12:00:00 PM", "10:00:00"},
  };
  for (const Case& c : cases) {
    setLocal(c.before);
    runSeconds(1);
    EXPECT_EQ(form.CurrentTimeMemo.text(), c.local);
    EXPECT_EQ(form.GmtMemo.text(), c.utc);
  }
}

TEST_F(Clock, ATimedRecordingOpensAtTheStartAndIsStoppedOnceAtTheEnd) {
  const std::string path = dir.file("timed.wav");
  openOutput(path);
  schedule(at(10, 0, 5), "AM", at(10, 0, 8), "AM");
  setLocal(at(10, 0, 0));
  arm();
  runSeconds(4);
  EXPECT_EQ(form.ScheduleActive, 0);
  runSeconds(1);
  EXPECT_EQ(form.ScheduleActive, 1);
  appendBuffer(2048);  // the loop writes while the window is open
  runSeconds(2);
  EXPECT_EQ(form.ScheduleActive, 1);
  EXPECT_EQ(stops, 0);
  runSeconds(1);
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(form.ScheduleActive, 0);
  EXPECT_EQ(form.ActivityState, ActivityStopped);
  EXPECT_EQ(form.StatusMemo.text(), "Current Activity = Stopped");
  // Stop completed the file with what was written.
  EXPECT_EQ(form.OutputFileOpen, 0);
  const auto bytes = readAll(path);
  EXPECT_EQ(u32At(bytes, 40), 2048u);
  EXPECT_EQ(u32At(bytes, 4), 2048u + 36);
  runSeconds(30);
  EXPECT_EQ(stops, 1);
}

TEST_F(Clock, OnlyATimedSoundCardRecordingIsOpenedOrStopped) {
  struct Case {
    bool timerEnabled;
    std::int32_t state;
  };
  const Case idle[] = {{false, ActivityRecording}, {true, ActivityStopped},      {true, ActivityPaused},
                       {true, ActivityPlaying},    {true, ActivityFileTransfer}, {true, ActivitySelectingInput}};
  int minute = 0;
  for (const Case& c : idle) {
    setLocal(at(10, ++minute, 0));
    schedule(at(10, minute, 1), "AM", at(10, minute, 2), "AM");
    if (form.TimerCheckBox.checked() != c.timerEnabled) form.TimerCheckBox.click();
    form.ActivityState = c.state;
    runSeconds(3);
    EXPECT_EQ(form.ScheduleActive, 0) << c.timerEnabled << " " << c.state;
    EXPECT_EQ(form.ActivityState, c.state);
    EXPECT_EQ(stops, 0);
  }
  // And the same schedule does act on one.
  setLocal(at(10, ++minute, 0));
  schedule(at(10, minute, 1), "AM", at(10, minute, 2), "AM");
  arm();
  runSeconds(1);
  EXPECT_EQ(form.ScheduleActive, 1);
  runSeconds(1);
  EXPECT_EQ(stops, 1);
}

TEST_F(Clock, HourZeroNeverMatchesButTwelveAmIsMidnight) {
  schedule(at(0, 0, 0), "AM", at(0, 0, 2), "AM");
  setLocal(at(23, 59, 58));
  arm();
  runSeconds(6);
  EXPECT_TRUE(wasShown("12:00:00 AM"));
  EXPECT_EQ(form.ScheduleActive, 0);
  EXPECT_EQ(stops, 0);

  schedule(at(12, 0, 10), "AM", at(12, 0, 12), "AM");
  runSeconds(6);
  EXPECT_EQ(form.ScheduleActive, 1);
  runSeconds(2);
  EXPECT_EQ(stops, 1);
}

TEST_F(Clock, EqualStartAndEndOpenAndEndOnTheSameTick) {
  schedule(at(3, 15, 3), "PM", at(3, 15, 3), "PM");
  setLocal(at(15, 15, 0));
  arm();
  for (int k = 1; k <= 5; ++k) {
    runSeconds(1);
    EXPECT_EQ(form.ScheduleActive, 0) << k;
    EXPECT_EQ(stops, k < 3 ? 0 : 1) << k;
  }
  EXPECT_EQ(form.ActivityState, ActivityStopped);
}

TEST_F(Clock, AnEndBeforeTheStartStopsWithoutOpening) {
  schedule(at(10, 0, 5), "AM", at(10, 0, 2), "AM");
  setLocal(at(10, 0, 0));
  arm();
  for (int k = 1; k <= 6; ++k) {
    runSeconds(1);
    EXPECT_EQ(form.ScheduleActive, 0) << k;
  }
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(form.ActivityState, ActivityStopped);
}

TEST_F(Clock, ArmedAfterTheStartTimeWaitsForItTheNextDay) {
  schedule(at(10, 0, 0), "AM", at(10, 30, 0), "AM");
  setLocal(at(10, 0, 30));
  arm();
  runSeconds(60);
  EXPECT_EQ(form.ScheduleActive, 0);

  setLocal(at(9, 59, 57, 11));
  runSeconds(2);
  EXPECT_EQ(form.ScheduleActive, 0);
  runSeconds(1);
  EXPECT_EQ(form.ScheduleActive, 1);
  EXPECT_EQ(stops, 0);
}

TEST_F(Clock, ChangingTheStartAmPmWhileArmedTakesEffectAtOnce) {
  schedule(at(10, 0, 2), "PM", at(0, 0, 0), "AM");
  setLocal(at(10, 0, 0));
  arm();
  runSeconds(3);
  EXPECT_EQ(form.ScheduleActive, 0);  // 10:00:02 AM is not 10:00:02 PM

  form.Start_AM_PM.click();
  form.StartTimeUpDn.click(UpDownModel::Button::Down);
  form.Start_Sec.click();
  for (int i = 0; i < 8; ++i) form.StartTimeUpDn.click(UpDownModel::Button::Up);
  ASSERT_EQ(form.Start_AM_PM.text(), "AM");
  ASSERT_EQ(form.StartSecond, 10);
  runSeconds(6);
  EXPECT_EQ(form.ScheduleActive, 0);
  runSeconds(1);
  EXPECT_EQ(form.ScheduleActive, 1);
}

// A tick can arrive more than a second late when the program was busy. The
// seconds it stepped over must still open and end the window.
TEST_F(Clock, ALateTickStillOpensAndEndsTheWindow) {
  schedule(at(10, 0, 3), "AM", at(10, 0, 7), "AM");
  setLocal(at(10, 0, 0));
  arm();
  host.at(tick(2) + 100, [&] { host.sleepMs(2000); });
  host.at(tick(6) + 100, [&] { host.sleepMs(2000); });
  host.runUntil(tick(4) + 200);
  EXPECT_TRUE(wasShown("10:00:02 AM"));
  EXPECT_FALSE(wasShown("10:00:03 AM"));  // no tick fell into the start second
  EXPECT_EQ(form.CurrentTimeMemo.text(), "10:00:04 AM");
  EXPECT_EQ(form.ScheduleActive, 1);

  host.runUntil(tick(8) + 200);
  EXPECT_FALSE(wasShown("10:00:07 AM"));  // nor into the end second
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(form.ActivityState, ActivityStopped);
}

TEST_F(Clock, ALateTickTestsTheSecondsInOrderAndStopsOnlyOnce) {
  // The end comes first: once stopped, the later start second must not reopen.
  schedule(at(10, 0, 3), "AM", at(10, 0, 2), "AM");
  setLocal(at(10, 0, 0));
  arm();
  host.at(tick(1) + 100, [&] { host.sleepMs(2500); });
  host.runUntil(tick(10));
  EXPECT_FALSE(wasShown("10:00:02 AM"));
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(form.ScheduleActive, 0);
}

TEST_F(Clock, CatchesUpFiveSecondsButDoesNotReplayAClockSetForward) {
  schedule(at(10, 0, 2), "AM", at(0, 0, 0), "AM");
  setLocal(at(10, 0, 0));
  arm();
  host.at(tick(1) + 100, [&] { host.sleepMs(4500); });  // next tick shows 10:00:06
  host.runUntil(tick(7));
  EXPECT_EQ(form.ScheduleActive, 1);

  form.ScheduleActive = 0;
  schedule(at(10, 1, 3), "AM", at(0, 0, 0), "AM");
  setLocal(at(10, 1, 0));
  runSeconds(1);
  // The system clock is set five seconds ahead: the tick after 10:01:01 shows 10:01:07.
  host.setWallClock(epochFromCivil(at(10, 1, 6)) - kOffset);
  runSeconds(3);
  EXPECT_TRUE(wasShown("10:01:01 AM"));
  EXPECT_TRUE(wasShown("10:01:07 AM"));
  EXPECT_EQ(form.ScheduleActive, 0);
}

TEST_F(Clock, AClockSetBackALittleDoesNotMatchASecondTwice) {
  schedule(at(0, 0, 0), "AM", at(10, 0, 5), "AM");
  setLocal(at(10, 0, 0));
  arm();
  runSeconds(5);
  ASSERT_EQ(stops, 1);
  // Record again at once, then the clock is corrected two seconds back.
  arm();
  host.setWallClock(epochFromCivil(at(10, 0, 3)) - kOffset);
  runSeconds(4);
  EXPECT_EQ(std::count(shown.begin(), shown.end(), "10:00:05 AM"), 2);
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(form.ActivityState, ActivityRecording);
}
