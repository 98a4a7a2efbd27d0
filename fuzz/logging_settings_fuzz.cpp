// libFuzzer entry: any bytes as the logging settings file. Whatever they hold,
// the settings come out within their ranges, and what is saved from them
// loads back to the same settings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/LoggingSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using quorvane::LoggingSettings;
  const LoggingSettings s = LoggingSettings::parse(std::string(reinterpret_cast<const char*>(data), size));
  if (s.preRollBuffers < 0 || s.preRollBuffers > LoggingSettings::MaxPreRollBuffers) std::abort();
  if (s.minLengthMs < 0 || s.minLengthMs > LoggingSettings::MaxMinLengthMs) std::abort();
  if (s.maxLengthMinutes < 0 || s.maxLengthMinutes > LoggingSettings::MaxMaxLengthMinutes) std::abort();
  if (!(LoggingSettings::parse(s.format()) == s)) std::abort();
  return 0;
}
