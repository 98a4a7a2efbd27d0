#pragma once

#include <string>

namespace quorvane {

// What happens to the sound that passed the gate, for people who log radio
// traffic for days: pre-roll, one file per transmission, length limits. At
// their defaults the recording is exactly what it is without them.
struct LoggingSettings {
  // Buffers (about 93 ms each) from before the gate opened, written in front of the transmission.
  int preRollBuffers = 0;
  // Each transmission in a file of its own, named by its start time.
  bool onePerTransmission = false;
  // A transmission whose gate-open time is shorter than this is dropped (squelch clicks).
  int minLengthMs = 0;
  // A transmission open this long is cut and a new one begins (stuck squelch); 0: no limit.
  int maxLengthMinutes = 0;

  static constexpr int MaxPreRollBuffers = 5;
  static constexpr int MaxMinLengthMs = 2000;
  static constexpr int MaxMaxLengthMinutes = 1440;

  bool operator==(const LoggingSettings&) const = default;

  // "key = value" lines. Unknown keys, bad values, values out of range and
  // anything that is not such a line are ignored: the default stays.
  static LoggingSettings parse(const std::string& text);
  std::string format() const;
};

}  // namespace quorvane
