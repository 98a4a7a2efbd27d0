#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/CheckBoxModel.h"
#include "platform/HourCounterModel.h"
#include "platform/RasterCanvas.h"
#include "platform/ScrollBarModel.h"
#include "platform/SimHost.h"
#include "platform/UpDownModel.h"

using namespace quorvane;

namespace {

using Log = std::vector<std::string>;

// A timer attached to the host that logs "name@time" when it fires.
struct LoggedTimer : TimerModel {
  LoggedTimer(SimHost& host, Log& log, const char* name, int interval) : TimerModel(name, interval) {
    host.attachTimer(*this);
    onTimer = [&host, &log, name] { log.push_back(std::string(name) + "@" + std::to_string(host.nowMs())); };
    setEnabled(true);
  }
};

}  // namespace

TEST(SimHost, TimersAndScriptedActionsRunOnlyInsideProcessMessagesInTimeOrderEvenNested) {
  SimHost host;
  Log log;
  LoggedTimer fast(host, log, "fast", 200), slow(host, log, "slow", 500);
  host.sleepMs(1000);  // sleeping never runs a handler
  EXPECT_TRUE(log.empty());
  host.processMessages();  // overdue periods are not replayed: each fires once
  EXPECT_EQ(log, (Log{"fast@1000", "slow@1000"}));

  log.clear();
  host.at(2000, [&] { log.push_back("click@" + std::to_string(host.nowMs())); });
  host.at(1450, [&] { log.push_back("early@" + std::to_string(host.nowMs())); });
  host.runUntil(2000);
  // Phase is kept; at one moment what was armed or scripted first goes first:
  // the click (scripted at 1000), slow (armed at 1500), fast (armed at 1800).
  EXPECT_EQ(log, (Log{"fast@1200", "fast@1400", "early@1450", "slow@1500", "fast@1600", "fast@1800", "click@2000",
                      "slow@2000", "fast@2000"}));

  // Re-enabling restarts the whole interval (a louder buffer restarts the hang
  // time), and so does a new interval; the same interval again changes nothing.
  log.clear();
  host.sleepMs(100);
  fast.setEnabled(false);
  fast.setEnabled(true);
  EXPECT_EQ(host.timerDue(fast), 2300);
  slow.setEnabled(false);
  host.sleepMs(100);
  fast.setInterval(300);
  host.sleepMs(100);
  fast.setInterval(300);
  host.runUntil(3100);
  EXPECT_EQ(log, (Log{"fast@2500", "fast@2800", "fast@3100"}));

  // The shape of the program: a click handler runs a loop that waits by sleeping
  // and processing messages; other handlers run nested inside it.
  fast.setEnabled(false);
  log.clear();
  LoggedTimer clock(host, log, "clock", 1000);
  TimerModel watchdog("watchdog", 200);
  host.attachTimer(watchdog);
  clock.onTimer = [&host, logged = clock.onTimer] {
    logged();
    host.processMessages();  // a handler may pump too
  };
  watchdog.onTimer = [&] { watchdog.setEnabled(false); };
  bool stop = false;
  host.at(3200, [&] {  // "Record"
    while (!stop) {
      watchdog.setEnabled(true);
      host.sleepMs(10);
      host.processMessages();
    }
    log.push_back("returned@" + std::to_string(host.nowMs()));
  });
  host.at(6310, [&] { stop = true; });  // "Stop", run inside the loop's wait
  host.runUntil(7100);
  EXPECT_EQ(log, (Log{"clock@4100", "clock@5100", "clock@6100", "returned@6310", "clock@7100"}));
  EXPECT_GE(host.maxNesting(), 2);

  // A handler that runs on past its own interval, pumping: its timer, due
  // again meanwhile, waits until the handler has returned, then fires once.
  int fired = 0;
  watchdog.onTimer = [&] { if (++fired == 1) host.runFor(500); };
  watchdog.setEnabled(true);
  host.runFor(700);
  EXPECT_EQ(fired, 2);
}

TEST(SimHost, WallClockFollowsVirtualTimeInLocalAndUniversalTime) {
  SimHost host;
  // 2026-12-06 23:59:58 UTC; local time one hour ahead.
  const std::int64_t epoch = epochFromCivil(CivilTime{2026, 12, 6, 23, 59, 58});
  host.setWallClock(epoch);
  host.setUtcOffsetSeconds(3600);
  host.sleepMs(2500);
  EXPECT_EQ(host.wallClockSeconds(), epoch + 2);
  EXPECT_EQ(host.utcTime(host.wallClockSeconds()), (CivilTime{2026, 12, 7, 0, 0, 0}));
  EXPECT_EQ(host.localTime(host.wallClockSeconds()), (CivilTime{2026, 12, 7, 1, 0, 0}));
  // Leap day and a date before the epoch convert both ways.
  for (const CivilTime t : {CivilTime{2024, 2, 29, 12, 0, 1}, CivilTime{1969, 12, 31, 23, 59, 59},
                            CivilTime{2000, 3, 1, 0, 0, 0}})
    EXPECT_EQ(civilFromEpoch(epochFromCivil(t)), t);
  EXPECT_EQ(epochFromCivil(CivilTime{1970, 1, 2, 0, 0, 0}), 86400);
}

// The save dialog once turned /dev/full into a new /dev/full.wav.
TEST(Host, TheDefaultExtensionGoesOnlyOnANewNameWithoutOne) {
  const std::string here = ::testing::TempDir() + "quorvane-existing";
  std::fclose(std::fopen(here.c_str(), "w"));
  for (auto [chosen, taken] : {std::pair<std::string, std::string>{"/tmp/new-take", "/tmp/new-take.wav"},
                               {"/tmp/take.WAV", "/tmp/take.WAV"}, {"/dev/full", "/dev/full"}, {here, here}})
    EXPECT_EQ(Host::withDefaultExtension(chosen, "wav"), taken);
  std::remove(here.c_str());
}

TEST(HourCounter, CountsOnlyWhileSwitchedOnAndCarriesIntoMinutesAndHours) {
  std::int64_t now = 5000;
  HourCounterModel c("RecordPlayTimer", [&] { return now; });
  // Each step: switch (or leave), advance the clock, the reading after it.
  const std::tuple<int, std::int64_t, std::tuple<int, int, int>> steps[] = {
      {-1, 1000, {0, 0, 0}},  {1, 59'000, {0, 0, 59}},           {-1, 1000, {0, 1, 0}},
      {0, 3'600'000, {0, 1, 0}}, {1, 3'604'000, {1, 1, 4}}};
  for (const auto& [on, advance, reading] : steps) {
    if (on >= 0) c.SetCount(on == 1);
    now += advance;
    EXPECT_EQ(std::tuple(c.hours(), c.minutes(), c.seconds()), reading) << now;
  }
  c.setMinutes(15);  // from 1:01:04, each field replaced and the others kept
  c.setHours(2);
  c.setSeconds(7);
  EXPECT_EQ(c.elapsedMs(), (2 * 3600 + 15 * 60 + 7) * 1000);
  now += 1000;  // still counting after being set
  EXPECT_EQ(c.seconds(), 8);
}

TEST(Controls, ArrowsStopAtTheirLimitsAndDisabledOrClampedControlsBehave) {
  UpDownModel u("StartTimeUpDn", 0, 59, 59);
  int clicks = 0;
  u.onClick = [&] { ++clicks; };
  u.click(UpDownModel::Button::Up);
  EXPECT_EQ(std::pair(u.position(), clicks), std::pair(59, 1));  // the handler runs even at the limit
  u.setMax(12);
  EXPECT_EQ(u.position(), 12);
  u.setPosition(0);
  u.click(UpDownModel::Button::Down);
  EXPECT_EQ(u.position(), 0);

  CheckBoxModel box("VoxCheckBox", "Voice Activate");
  bool seen = false;
  box.onClick = [&] { seen = box.checked(); };
  box.click();
  box.setEnabled(false);
  box.click();  // a disabled box ignores the user
  EXPECT_TRUE(seen && box.checked());

  ScrollBarModel bar("PlayScrollBar", 1000, 10);
  int reported = -1;
  bar.onScroll = [&](int p) { reported = p; };
  bar.scroll(1200);
  EXPECT_EQ(std::pair(bar.position(), reported), std::pair(1000, 1000));
}

TEST(RasterCanvas, RectanglesAndLinesAreClippedAndLeaveOutTheirEnd) {
  RasterCanvas c(10, 6, clBlack);
  c.penColour = c.brushColour = clWhite;
  c.rectangle(0, 0, 8, 4);  // x2 and y2 are not covered
  c.penColour = clRed;
  c.line(2, -20, 2, 20);  // runs far outside: clipped, no fault
  c.line(0, 5, 5, 5);     // the end point is left out
  c.draw(RasterCanvas(3, 3, clGreen), 8, 4);  // partly outside
  const std::tuple<int, int, Colour> pixels[] = {{7, 3, clWhite}, {8, 3, clBlack}, {7, 4, clBlack}, {2, 0, clRed},
                                                 {4, 5, clRed},   {5, 5, clBlack}, {9, 5, clGreen}, {7, 5, clBlack}};
  for (auto [x, y, colour] : pixels) EXPECT_EQ(c.pixel(x, y), colour) << x << "," << y;
}
