#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/SimHost.h"
#include "platform/TimerModel.h"

using namespace quorvane;

namespace {

struct Log {
  std::vector<std::string> entries;
  void add(const std::string& what, std::int64_t at) { entries.push_back(what + "@" + std::to_string(at)); }
};

}  // namespace

TEST(SimHost, TimersFireOnlyInsideProcessMessagesAtTheirVirtualTime) {
  SimHost host;
  Log log;
  TimerModel fast("fast", 200), slow("slow", 500);
  host.attachTimer(fast);
  host.attachTimer(slow);
  fast.onTimer = [&] { log.add("fast", host.nowMs()); };
  slow.onTimer = [&] { log.add("slow", host.nowMs()); };
  fast.setEnabled(true);
  slow.setEnabled(true);

  host.sleepMs(1000);  // sleeping never runs a handler
  EXPECT_TRUE(log.entries.empty());

  host.processMessages();  // overdue periods are not replayed: each fires once
  EXPECT_EQ(log.entries, (std::vector<std::string>{"fast@1000", "slow@1000"}));

  log.entries.clear();
  host.runUntil(2000);
  // Phase is kept: fast at 1200, 1400, ..., slow at 1500 and 2000. At 2000
  // the timer whose period began first (slow, at 1500) goes first.
  EXPECT_EQ(log.entries, (std::vector<std::string>{"fast@1200", "fast@1400", "slow@1500", "fast@1600", "fast@1800",
                                                   "slow@2000", "fast@2000"}));
}

TEST(SimHost, ReEnablingRestartsTheWholeIntervalAndDisablingStopsIt) {
  SimHost host;
  TimerModel t("hang", 1000);
  host.attachTimer(t);
  int fired = 0;
  t.onTimer = [&] {
    ++fired;
    t.setEnabled(false);
  };
  t.setEnabled(true);
  host.runUntil(700);
  t.setEnabled(false);  // a louder buffer restarts the hang time
  t.setEnabled(true);
  host.runUntil(1500);
  EXPECT_EQ(fired, 0);
  host.runUntil(1700);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(host.timerDue(t), -1);
  host.runUntil(5000);
  EXPECT_EQ(fired, 1);

  t.setEnabled(true);
  t.setInterval(300);  // a new interval while running starts afresh
  EXPECT_EQ(host.timerDue(t), 5300);
  t.setInterval(300);  // the same value changes nothing
  EXPECT_EQ(host.timerDue(t), 5300);
}

TEST(SimHost, ScriptedActionsAndTimersRunInTimeOrder) {
  SimHost host;
  Log log;
  TimerModel t("tick", 1000);
  host.attachTimer(t);
  t.onTimer = [&] { log.add("tick", host.nowMs()); };
  t.setEnabled(true);  // due at 1000, armed before the action below was scripted
  host.at(1000, [&] { log.add("click", host.nowMs()); });
  host.at(450, [&] { log.add("early", host.nowMs()); });
  host.runUntil(1000);
  EXPECT_EQ(log.entries, (std::vector<std::string>{"early@450", "tick@1000", "click@1000"}));
}

TEST(SimHost, NestedProcessMessagesInsideAHandlerKeepsEverythingRunning) {
  // The shape of the program: a click handler runs a loop that waits by
  // sleeping and processing messages; other handlers run nested inside it.
  SimHost host;
  TimerModel clock("clock", 1000), watchdog("watchdog", 200);
  host.attachTimer(clock);
  host.attachTimer(watchdog);
  int ticks = 0, clockReentries = 0, inClock = 0;
  bool stop = false, loopReturned = false;
  std::int64_t stoppedAt = -1;
  clock.onTimer = [&] {
    clockReentries += inClock;
    ++inClock;
    ++ticks;
    host.processMessages();  // a handler may pump too; its own timer does not re-enter
    --inClock;
  };
  watchdog.onTimer = [&] { watchdog.setEnabled(false); };
  clock.setEnabled(true);

  host.at(100, [&] {  // "Record"
    while (!stop) {
      watchdog.setEnabled(true);
      host.sleepMs(10);
      host.processMessages();
    }
    loopReturned = true;
  });
  host.at(3210, [&] {  // "Stop", nested inside the loop's wait
    stop = true;
    stoppedAt = host.nowMs();
    EXPECT_FALSE(loopReturned);
  });
  host.runUntil(4000);

  EXPECT_TRUE(loopReturned);
  EXPECT_EQ(stoppedAt, 3210);
  EXPECT_EQ(ticks, 4);  // 1000, 2000, 3000 inside the loop, 4000 after it
  EXPECT_EQ(clockReentries, 0);
  EXPECT_GE(host.maxNesting(), 2);
}

TEST(SimHost, ScriptedDialogsFilesAndTermination) {
  SimHost host;
  host.queueFileChoice(std::string("/tmp/a.wav"));
  host.queueFileChoice(std::nullopt);
  FileDialogRequest r{FileDialogRequest::Kind::Save, "Open Output File", "Wave Files (*.wav)", "wav"};
  EXPECT_EQ(host.chooseFile(r), std::optional<std::string>("/tmp/a.wav"));
  EXPECT_EQ(host.chooseFile(r), std::nullopt);
  EXPECT_EQ(host.chooseFile(r), std::nullopt);  // nothing scripted: cancel
  ASSERT_EQ(host.fileRequests().size(), 3u);
  EXPECT_EQ(host.fileRequests()[0].title, "Open Output File");

  host.messageBox("Null Handle", "Error Message");
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].caption, "Error Message");

  host.requestTerminate();
  host.runUntil(10000);  // the idle loop ends once termination was asked for
  EXPECT_LT(host.nowMs(), 10000);
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
                            CivilTime{2000, 3, 1, 0, 0, 0}}) {
    EXPECT_EQ(civilFromEpoch(epochFromCivil(t)), t);
  }
  EXPECT_EQ(epochFromCivil(CivilTime{1970, 1, 2, 0, 0, 0}), 86400);
}

// The save dialog once turned /dev/full into a new /dev/full.wav.
TEST(Host, TheDefaultExtensionGoesOnlyOnANewNameWithoutOne) {
  const std::string here = ::testing::TempDir() + "quorvane-existing";
  { std::FILE* f = std::fopen(here.c_str(), "w"); ASSERT_TRUE(f); std::fclose(f); }
  for (auto [chosen, taken] : {std::pair<std::string, std::string>{"/tmp/new-take", "/tmp/new-take.wav"},
                               {"/tmp/take.WAV", "/tmp/take.WAV"}, {"/dev/full", "/dev/full"}, {here, here}})
    EXPECT_EQ(Host::withDefaultExtension(chosen, "wav"), taken);
  std::remove(here.c_str());
}
