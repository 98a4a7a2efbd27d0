#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/CivilTime.h"
#include "state/FormContext.h"

namespace quorvane {

// The once-a-second clock: local time on a 12-hour face, universal time on a
// 24-hour one, and the scheduled window of a timed recording. The user arms a
// timed recording by ticking the timer's "Enable" box and pressing Record; the
// recording then writes only while ScheduleActive is 1, which the start time
// sets. At the end time the recording is stopped, which completes its file.
class Scheduler {
 public:
  explicit Scheduler(FormContext c) : c_(c) {}

  // The one-second tick.
  void SystemTimerTimer();

  // Ends the recording at the end time: the form's Stop.
  std::function<void()> stopRecording;

  // How many seconds one tick looks back at most. A tick may come late (the
  // program was busy, the machine was loaded) and must still see a start or
  // end second it stepped over; a longer gap is a change of the system clock,
  // and replaying it would start or stop a recording at a time the user never
  // lived through.
  static constexpr std::int64_t kMaxCatchUpSeconds = 5;

  // A local time on the 12-hour face: hour 1..12 and "AM" or "PM".
  struct TwelveHour {
    int hour;
    const char* amPm;
  };
  static TwelveHour twelveHour(int hour24);
  // "03:07:09 PM" and "15:07:09".
  static std::string localText(const CivilTime& local);
  static std::string universalText(const CivilTime& utc);

 private:
  bool armed() const;
  void testSecond(std::int64_t epochSecond);

  FormContext c_;
  // The last second tested while armed; empty while not armed.
  std::optional<std::int64_t> lastTested_;
};

}  // namespace quorvane
