#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "files/FileStream.h"
#include "files/WaveFormatEx.h"

namespace quorvane {

// The format fields of a WAV file's fmt chunk. FormatTag is the file's own:
// 1 (PCM) or 0xFFFE (WAVE_FORMAT_EXTENSIBLE with the PCM sub-format).
struct WavFileFormat {
  std::uint16_t FormatTag = 0;
  WaveFormatEx Format;
};

// What reading a WAV header found. On success `dataOffset` is where the
// first sample byte lies and `dataBytes` how many sample bytes the file
// really holds there.
struct WavHeaderInfo {
  enum class Check {
    Ok,
    NotRiff,          // "Not a RIFF file"
    NotWave,          // "Not a WAVE file"
    FmtIncorrect,     // "fmt incorrect"
    NotPcm,           // "Not in PCM Wave format!"
    UnsupportedBits,  // a PCM file we cannot play correctly
    UnsupportedChannels,
    UnsupportedRate,
    NoData,         // no data chunk, or one without a whole sample frame
    TooManyChunks,  // no data within the first kMaxChunks chunks
  };
  Check check = Check::NotRiff;
  WavFileFormat format;
  std::uint64_t dataOffset = 0;
  std::uint32_t dataBytes = 0;
  // The size the data chunk claimed, and whether the file holds less (or
  // claimed 0 with sound after it: a recording cut off before completion).
  std::uint32_t declaredDataBytes = 0;
  bool dataSizeRepaired = false;

  bool ok() const { return check == Check::Ok; }
  // The text shown to the user for a failed check; empty on success.
  std::string message() const;
};

// Reads the header of a WAV file through a positioned reader, without ever
// reading past what it returns: `read(offset, dst, n)` gives how many bytes it
// could copy (fewer at the end of the file); `size` is the file's length.
class WavReader {
 public:
  // A bound on the walk keeps a file of millions of empty chunks from hanging the window.
  static constexpr int kMaxChunks = 4096;
  using ReadAt = std::function<std::size_t(std::uint64_t offset, void* dst, std::size_t n)>;
  static WavHeaderInfo parse(const ReadAt& read, std::uint64_t size);
  // The same over bytes in memory.
  static WavHeaderInfo parse(const std::uint8_t* bytes, std::size_t size);
  // The same over an open file; leaves the position undefined.
  static WavHeaderInfo parse(FileStream& file);
};

}  // namespace quorvane
