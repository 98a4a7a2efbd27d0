#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "files/ConfigRecord.h"
#include "schedule/TimeEditor.h"
#include "state/FormContext.h"

namespace quorvane {

// The settings file. Loading does not merely copy values: each one goes
// through the control or menu command a user would operate, in file order,
// so ticks, labels, memos, buffer sizes and the filter all follow the file.
// Saving writes a temporary file and renames it over the old one, so a crash
// or a full disk never leaves a torn file behind.
class Configuration {
 public:
  Configuration(FormContext c, TimeEditor& timeEditor) : c_(c), timeEditor_(timeEditor) {}

  // Reads and applies the file. An empty path reads nothing; a file that
  // cannot be read is created from the settings in force, and nothing is applied.
  void LoadConfiguration(const std::string& path);
  // Writes the settings in force; an empty path or a failed write saves nothing.
  void SaveConfiguration(const std::string& path);

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

  // Values the program cannot run with: they keep the value in force.
  // A rate of 0 would divide by zero; one whose stereo byte rate overflows
  // 32 bits wraps to nonsense (possibly 0).
  static constexpr std::uint32_t kMaxSampleRate = 0x3FFFFFFF;
  // A band edge that is not a number, infinite, negative or absurdly high
  // would fill the filter with NaN or give a kernel of nothing but rounding.
  static constexpr float kMaxBandEdgeHz = 1.0e6f;
  static bool usableSampleRate(std::uint32_t rate) { return rate != 0 && rate <= kMaxSampleRate; }
  static bool usableBandEdge(float hz);

  // Designs the band-pass filter for the band edges and rate in force.
  std::function<void()> designFilter;

 private:
  void apply(const ConfigRecord& r);

  FormContext c_;
  TimeEditor& timeEditor_;
};

}  // namespace quorvane
