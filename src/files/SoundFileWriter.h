#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "files/FileStream.h"
#include "files/WaveFormatEx.h"

namespace quorvane {

// The kinds of output file; the output file's name chooses one.
enum class SoundFileKind { Wav, Flac, Opus };

// ".flac" -> Flac, ".opus" -> Opus (any case), anything else -> Wav.
SoundFileKind soundFileKindFor(const std::string& path);
// "Wave", "FLAC", "Opus": as the program's messages name the file.
const char* soundFileKindName(SoundFileKind kind);

// How a recording's 16-bit PCM reaches its file. The writer writes through the
// file it was given, which stays open (and owned by the caller) as long as the
// writer lives. It counts nothing: the engine counts what was accepted.
class SoundFileWriter {
 public:
  virtual ~SoundFileWriter() = default;

  static std::unique_ptr<SoundFileWriter> create(SoundFileKind kind, FileStream& file, const WaveFormatEx& format);

  FileStream& file() const { return file_; }
  SoundFileKind kind() const { return kind_; }

  // Writes what comes before the sound and hands it to the operating system,
  // so the file is valid from the start; false when it could not.
  virtual bool begin() = 0;
  // Starts the file again, empty, in another format (nothing written yet).
  virtual bool restart(const WaveFormatEx& format) = 0;
  // Appends whole frames of PCM; returns the bytes of it the file took.
  virtual std::size_t write(const std::uint8_t* pcm, std::size_t bytes) = 0;
  // Run at least once a second: brings the file on disk up to date with
  // dataBytes of sound, so a kill loses no more than the time since.
  virtual bool checkpoint(std::uint64_t dataBytes) = 0;
  // Finishes the file. dataBytes becomes what the file really holds where the
  // format can tell. The file is left open.
  virtual bool complete(std::uint64_t& dataBytes) = 0;
  // Whether the format cannot hold more than maxDataBytes of sound in one file.
  virtual bool sizeLimited() const = 0;

 protected:
  SoundFileWriter(SoundFileKind kind, FileStream& file) : kind_(kind), file_(file) {}

 private:
  SoundFileKind kind_;
  FileStream& file_;
};

}  // namespace quorvane
