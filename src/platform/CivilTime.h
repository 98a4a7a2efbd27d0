#pragma once

#include <cstdint>

namespace quorvane {

// A broken-down calendar time (month 1..12, hour 0..23).
struct CivilTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool operator==(const CivilTime&) const = default;
};

// Proleptic Gregorian breakdown of seconds since 1970-01-01 00:00:00 and back.
CivilTime civilFromEpoch(std::int64_t epochSeconds);
std::int64_t epochFromCivil(const CivilTime& t);

}  // namespace quorvane
