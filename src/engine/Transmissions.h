#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "files/LoggingSettings.h"
#include "state/FormContext.h"

namespace quorvane {

// What happens to processed buffers between the gate and the output file.
// A transmission is one unbroken run of buffers the gate passed. Around it:
// the last buffers the gate did not pass (pre-roll) go in front of it; it may
// have a file of its own, named by its start time; it is held back until its
// gate-open time reaches a minimum (a squelch click is dropped) and cut at a
// maximum (a stuck squelch); with VOX on, each one ends with a row in a CSV
// log beside the recording. At the default settings every passed buffer goes
// straight to the output file, exactly as without this piece.
class Transmissions {
 public:
  Transmissions(FormContext c, Engine& engine) : c_(c), engine_(engine) {}

  // The settings the next fresh run takes; a run keeps those it started with.
  LoggingSettings settings;

  // A fresh run (not a resume) begins.
  void begin();
  // One processed buffer of a run that may write: `open` when the gate
  // passes it, `loud` when it is above the threshold (what the minimum
  // length counts), `epochMs` the wall time of its first sample.
  void pass(const std::uint8_t* data, std::uint32_t bytes, bool open, bool loud, std::int64_t epochMs);
  // The run stops writing for a while (a pause, the end of the scheduled
  // window): the transmission in progress ends and the pre-roll is forgotten.
  void finish();
  // The run is over (Stop, the window closing): as finish, and the file name
  // that per-transmission files are named after is forgotten.
  void stop();

  // A run in one-file-per-transmission mode has its name and needs no open output file.
  bool hasNamePattern() const { return run_.onePerTransmission && !pattern_.empty(); }

  // "dispatch.wav" and a start time -> "dispatch-2026-12-06_21-38-04.wav".
  static std::string fileNameFor(const std::string& pattern, const CivilTime& local);
  // ISO 8601 local time with its offset from UTC: "2026-12-06T21:38:04.250+01:00".
  static std::string isoTime(std::int64_t epochMs, const CivilTime& local, std::int64_t utcOffsetSeconds);

 private:
  struct Buffer {
    std::vector<std::uint8_t> data;
    std::int64_t epochMs = 0;
    std::int32_t peak = 0;
  };

  void startTransmission(std::int64_t epochMs);
  // Ends the transmission in progress; cut: at the maximum length.
  void endTransmission(bool cut);
  // Writes one buffer of the transmission (opening its own file first in
  // one-file mode); false when the write failed and the recording stopped.
  bool write(const std::uint8_t* data, std::uint32_t bytes);
  bool openOwnFile();
  void logRow(bool cut);
  std::int64_t durationMs(std::uint64_t bytes) const;
  std::int64_t lengthMs() const { return durationMs(bytes_); }
  std::string logPath() const;
  CivilTime local(std::int64_t epochMs) const;
  std::int64_t utcOffset(std::int64_t epochMs) const;

  FormContext c_;
  Engine& engine_;
  LoggingSettings run_;
  std::string pattern_;  // the chosen output name, in one-file mode

  // The last buffers the gate did not pass, oldest first (at most run_.preRollBuffers).
  std::vector<Buffer> preRoll_;
  std::size_t preRollStart_ = 0;

  bool active_ = false;
  bool holding_ = false;   // below the minimum length: nothing written yet
  bool logged_ = false;    // VOX was on when it began
  bool written_ = false;   // something of it reached a file
  std::vector<std::uint8_t> held_;
  std::int64_t startMs_ = 0, firstLoudMs_ = -1, loudEndMs_ = -1;
  std::uint64_t bytes_ = 0;  // its length: pre-roll, held and written
  std::int32_t peak_ = 0;
  std::string file_;
  std::uint64_t offsetBytes_ = 0;
  std::uint32_t bytesPerSecond_ = 0;
};

}  // namespace quorvane
