#pragma once

#include <optional>
#include <string>

#include "files/ConfigRecord.h"
#include "files/LoggingSettings.h"

namespace quorvane {

// What one run of quorvane-cli is asked to do.
struct CliJob {
  enum class Command { Devices, Record, Process };
  Command command = Command::Devices;
  std::string input;   // process: the WAV file read
  std::string output;  // record, process: the WAV file written
  // The window's settings the job runs with: its defaults, changed by the
  // options. Devices are the window's numbers (the sound card dialog's).
  ConfigRecord settings;
  LoggingSettings logging;
  bool monitor = false;         // record: the monitor plays on settings.OutputDeviceId
  double durationSeconds = 0;   // record: 0, or stop after this long
  int untilSeconds = -1;        // record: -1, or stop at this local time of day (seconds after midnight)
};

// Reads the command line into `job`. Returns the exit code when the program
// ends here: 0 after --help or --version, 2 after a bad option or value (its
// message is on standard error). Nothing: the job is ready to run.
std::optional<int> parseCommandLine(int argc, const char* const* argv, CliJob& job);

// "LOW-HIGH" in Hz into its two edges; false when it is not two numbers
// with 0 <= LOW < HIGH.
bool parseBand(const std::string& text, float& low, float& high);

// The message for a band whose upper edge lies above half the sample rate; empty when it fits.
std::string bandRefusal(const ConfigRecord& settings, std::uint32_t rate);

}  // namespace quorvane
