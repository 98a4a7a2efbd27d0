#include "engine/Transmissions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace quorvane {

namespace {

std::string baseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The path without its extension (the part after the last dot of the name).
std::string stem(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? path : path.substr(0, dot);
}

std::string extension(const std::string& path) { return path.substr(stem(path).size()); }

// A CSV field: quoted when it holds a comma, a quote or a line break.
std::string csvField(const std::string& s) {
  if (s.find_first_of(",\"\n\r") == std::string::npos) return s;
  std::string q = "\"";
  for (char ch : s) q += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return q + "\"";
}

}  // namespace

std::string Transmissions::fileNameFor(const std::string& pattern, const CivilTime& t) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "-%04d-%02d-%02d_%02d-%02d-%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return stem(pattern) + stamp + extension(pattern);
}

std::string Transmissions::isoTime(std::int64_t epochMs, const CivilTime& t, std::int64_t offset) {
  const long long ms = ((epochMs % 1000) + 1000) % 1000;
  const char sign = offset < 0 ? '-' : '+';
  const long long off = offset < 0 ? -offset : offset;
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03lld%c%02lld:%02lld", t.year, t.month, t.day,
                t.hour, t.minute, t.second, ms, sign, off / 3600, off / 60 % 60);
  return text;
}

CivilTime Transmissions::local(std::int64_t epochMs) const {
  return c_.host.localTime(epochMs >= 0 ? epochMs / 1000 : -((-epochMs + 999) / 1000));
}

std::int64_t Transmissions::utcOffset(std::int64_t epochMs) const {
  const std::int64_t seconds = epochMs >= 0 ? epochMs / 1000 : -((-epochMs + 999) / 1000);
  return epochFromCivil(c_.host.localTime(seconds)) - seconds;
}

std::int64_t Transmissions::durationMs(std::uint64_t bytes) const {
  return bytesPerSecond_ ? static_cast<std::int64_t>(bytes * 1000 / bytesPerSecond_) : 0;
}

void Transmissions::begin() {
  stop();
  run_ = settings;
  bytesPerSecond_ = c_.s.WaveFormat.AvgBytesPerSec;
  preRoll_.clear();
  preRollStart_ = 0;
}

void Transmissions::finish() {
  endTransmission(false);
  preRoll_.clear();
  preRollStart_ = 0;
}

void Transmissions::stop() {
  finish();
  pattern_.clear();
}

void Transmissions::pass(const std::uint8_t* data, std::uint32_t bytes, bool open, bool loud, std::int64_t epochMs) {
  auto& s = c_.s;
  // One file per transmission: the file the user chose only gives the names.
  // Empty, it is taken away again; one that already holds sound is kept.
  if (run_.onePerTransmission && s.OutputFileOpen == 1 && !active_ && s.OutputFilePath != file_) {
    pattern_ = s.OutputFilePath;
    const bool empty = s.OutputDataBytes == 0;
    engine_.CompleteOutputFile();
    if (empty) c_.host.removeFile(pattern_);
  }
  // Another output file chosen under a running transmission: it ends there.
  if (active_ && written_ && !run_.onePerTransmission && s.OutputFilePath != file_) endTransmission(false);

  if (!open) {
    endTransmission(false);
    if (run_.preRollBuffers <= 0) return;
    const std::int32_t peak = s.PeakLevel;
    if (preRoll_.size() < static_cast<std::size_t>(run_.preRollBuffers)) {
      preRoll_.push_back(Buffer{{data, data + bytes}, epochMs, peak});
    } else {
      Buffer& oldest = preRoll_[preRollStart_];
      oldest.data.assign(data, data + bytes);
      oldest.epochMs = epochMs;
      oldest.peak = peak;
      preRollStart_ = (preRollStart_ + 1) % preRoll_.size();
    }
    return;
  }

  if (!active_) {
    startTransmission(preRoll_.empty() ? epochMs : preRoll_[preRollStart_].epochMs);
    for (std::size_t i = 0; i < preRoll_.size(); ++i) {
      const Buffer& b = preRoll_[(preRollStart_ + i) % preRoll_.size()];
      peak_ = std::max(peak_, b.peak);
      bytes_ += b.data.size();
      if (holding_)
        held_.insert(held_.end(), b.data.begin(), b.data.end());
      else if (!write(b.data.data(), static_cast<std::uint32_t>(b.data.size())))
        return;
    }
    preRoll_.clear();
    preRollStart_ = 0;
  }

  bytes_ += bytes;
  if (s.VoxEnabled == 1) peak_ = std::max(peak_, s.PeakLevel);
  if (loud) {
    if (firstLoudMs_ < 0) firstLoudMs_ = epochMs;
    loudEndMs_ = epochMs + durationMs(bytes);
  }
  if (holding_) {
    held_.insert(held_.end(), data, data + bytes);
    if (firstLoudMs_ >= 0 && loudEndMs_ - firstLoudMs_ >= run_.minLengthMs) {
      // Long enough to be a transmission: what was held goes out now.
      holding_ = false;
      const std::vector<std::uint8_t> held = std::move(held_);
      held_.clear();
      if (!write(held.data(), static_cast<std::uint32_t>(held.size()))) return;
    }
  } else if (!write(data, bytes)) {
    return;
  }
  if (run_.maxLengthMinutes > 0 && lengthMs() >= static_cast<std::int64_t>(run_.maxLengthMinutes) * 60000)
    endTransmission(true);  // the next buffer the gate passes begins a new one
}

void Transmissions::startTransmission(std::int64_t epochMs) {
  active_ = true;
  holding_ = run_.minLengthMs > 0;
  logged_ = c_.s.VoxEnabled == 1;
  written_ = false;
  held_.clear();
  startMs_ = epochMs;
  bytes_ = 0;
  firstLoudMs_ = loudEndMs_ = -1;
  peak_ = 0;
  file_.clear();
  offsetBytes_ = 0;
}

bool Transmissions::openOwnFile() {
  const std::string first = fileNameFor(pattern_, local(startMs_));
  std::string path = first;
  // Two transmissions that start in the same second: -2, -3, ...
  std::error_code ec;
  for (int n = 2; std::filesystem::exists(path, ec) && n < 1000; ++n)
    path = stem(first) + "-" + std::to_string(n) + extension(first);
  c_.s.OutputBasePath.clear();
  c_.s.OutputFilePart = 1;
  return engine_.CreateOutputFile(path, c_.s.WaveFormat);
}

bool Transmissions::write(const std::uint8_t* data, std::uint32_t bytes) {
  auto& s = c_.s;
  if (!written_) {
    if (run_.onePerTransmission && !pattern_.empty() && s.OutputFileOpen != 1 && !openOwnFile()) {
      active_ = false;  // the failure was reported; the run goes on without this one
      return false;
    }
    written_ = s.OutputFileOpen == 1;
    file_ = s.OutputFilePath;
    offsetBytes_ = s.OutputDataBytes;
  }
  if (!engine_.AppendToOutputFile(data, bytes)) {
    // The recording was stopped (and this transmission ended with it).
    active_ = false;
    return false;
  }
  return true;
}

void Transmissions::endTransmission(bool cut) {
  if (!active_) return;
  active_ = false;
  held_.clear();
  if (holding_ || !written_) return;  // too short to count, or nowhere written: no trace
  if (logged_) logRow(cut);
  if (run_.onePerTransmission && c_.s.OutputFilePath == file_) engine_.CompleteOutputFile();
}

std::string Transmissions::logPath() const {
  const std::string& base = run_.onePerTransmission && !pattern_.empty() ? pattern_ : file_;
  return stem(base) + ".csv";
}

void Transmissions::logRow(bool cut) {
  const std::string path = logPath();
  auto f = c_.host.openFile(path, FileMode::AppendBinary);
  if (!f) return;
  std::string row;
  if (f->size() == 0) row = "start,end,duration_s,peak_dbfs,file,offset_s,cut\n";
  const double peakDb = 20.0 * std::log10(std::clamp(static_cast<double>(peak_), 1.0, 32767.0) / 32767.0);
  const double rate = bytesPerSecond_ ? static_cast<double>(bytesPerSecond_) : 1.0;
  char numbers[96];
  // Times and lengths come from the sound itself: its length in the file.
  const std::int64_t endMs = startMs_ + lengthMs();
  std::snprintf(numbers, sizeof numbers, ",%.3f,%.1f,", static_cast<double>(bytes_) / rate, peakDb);
  char offset[32];
  std::snprintf(offset, sizeof offset, ",%.3f,", run_.onePerTransmission ? 0.0 : static_cast<double>(offsetBytes_) / rate);
  row += isoTime(startMs_, local(startMs_), utcOffset(startMs_)) + "," +
         isoTime(endMs, local(endMs), utcOffset(endMs)) + numbers + csvField(baseName(file_)) + offset +
         (cut ? "yes" : "no") + "\n";
  // Written and flushed at once: a kill later loses no row that was complete.
  if (f->write(row.data(), row.size()) != row.size() || !f->flush())
    c_.host.messageBox("Could not write to the transmission log", "File Error Message");
  f->close();
}

}  // namespace quorvane
