#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "audio/WaveBackend.h"
#include "files/ConfigRecord.h"
#include "files/LoggingSettings.h"
#include "schedule/TimeEditor.h"
#include "state/FormContext.h"

namespace quorvane {

// The settings file. Loading does not merely copy values: each one goes
// through the control or menu command a user would operate, in file order,
// so ticks, labels, memos, buffer sizes and the filter all follow the file.
// Saving writes a temporary file, locked against another instance saving at
// the same moment, and renames it over the old one, so a crash or a full disk
// never leaves a torn file behind.
class Configuration {
 public:
  Configuration(FormContext c, TimeEditor& timeEditor) : c_(c), timeEditor_(timeEditor) {}

  // Reads and applies the file. An empty path reads nothing; a file that
  // cannot be read is created from the settings in force, and nothing is applied.
  void LoadConfiguration(const std::string& path);
  // Writes the settings in force; false (and nothing saved) for an empty
  // path or a failed write.
  bool SaveConfiguration(const std::string& path);

  // Applies the settings held in `size` bytes as loading a file of them does.
  // Fields past the end keep the values in force.
  void LoadFromBytes(const std::uint8_t* data, std::size_t size);

  // The settings in force, as they would be saved.
  ConfigRecord current() const;

  // Before the main window exists: makes the configuration folder and a file
  // of defaults there when there is none yet. False when no file exists
  // afterwards (a read-only home, say): the program then runs on its defaults
  // and saves nothing.
  static bool CreateDefaultFile(Host& host);

  // Writes the record to a temporary file beside `path` and renames it over
  // `path`. On any failure the old file is left as it was.
  static bool WriteFile(Host& host, const std::string& path, const ConfigRecord& record);
  static bool WriteBytes(Host& host, const std::string& path, const void* data, std::size_t size);

  // The logging settings live in their own text file beside the settings
  // file, which keeps its 86 bytes. A missing or unreadable file gives the
  // defaults; bad lines keep them.
  static std::string LoggingFilePath(const std::string& settingsPath);
  static LoggingSettings LoadLoggingSettings(Host& host, const std::string& path);
  static bool SaveLoggingSettings(Host& host, const std::string& path, const LoggingSettings& settings);

  // A record as loaded, made into one the program runs with: each check-box
  // field 0 or 1 (1 is on, anything else off), the view 0 or 1, the times in
  // the editor's ranges, channels 1 or 2. A rate the program does not support,
  // a device that is not there and a band edge that is not a number keep the
  // value in force; the band is brought into what the band-pass dialog
  // accepts (0 Hz to half the rate, low below high), or the default band.
  ConfigRecord settle(ConfigRecord loaded, const ConfigRecord& inForce) const;

  // Designs the band-pass filter for the band edges and rate in force.
  std::function<void()> designFilter;
  // How many sound devices there are in each direction; unset, any number is taken.
  std::function<int(WaveDirection)> deviceCount;

 private:
  void apply(const ConfigRecord& r);

  FormContext c_;
  TimeEditor& timeEditor_;
};

}  // namespace quorvane
