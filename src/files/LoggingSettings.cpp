#include "files/LoggingSettings.h"

#include <charconv>
#include <sstream>
#include <string_view>

namespace quorvane {

namespace {

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

// A whole decimal number within [low, high], or nothing.
bool number(std::string_view text, int low, int high, int& out) {
  int v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) return false;
  out = v;
  return true;
}

bool yesNo(std::string_view text, bool& out) {
  if (text == "yes" || text == "true" || text == "on" || text == "1") return out = true, true;
  if (text == "no" || text == "false" || text == "off" || text == "0") return out = false, true;
  return false;
}

}  // namespace

LoggingSettings LoggingSettings::parse(const std::string& text) {
  LoggingSettings s;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    const std::string_view l = trim(line);
    const auto eq = l.find('=');
    if (l.empty() || l.front() == '#' || eq == std::string_view::npos) continue;
    const std::string_view key = trim(l.substr(0, eq));
    const std::string_view value = trim(l.substr(eq + 1));
    if (key == "pre_roll_buffers") number(value, 0, MaxPreRollBuffers, s.preRollBuffers);
    if (key == "one_file_per_transmission") yesNo(value, s.onePerTransmission);
    if (key == "min_length_ms") number(value, 0, MaxMinLengthMs, s.minLengthMs);
    if (key == "max_length_minutes") number(value, 0, MaxMaxLengthMinutes, s.maxLengthMinutes);
  }
  return s;
}

std::string LoggingSettings::format() const {
  std::ostringstream o;
  o << "# Quorvane logging settings\n"
    << "pre_roll_buffers = " << preRollBuffers << "\n"
    << "one_file_per_transmission = " << (onePerTransmission ? "yes" : "no") << "\n"
    << "min_length_ms = " << minLengthMs << "\n"
    << "max_length_minutes = " << maxLengthMinutes << "\n";
  return o.str();
}

}  // namespace quorvane
