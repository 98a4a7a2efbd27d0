#pragma once

#include <array>
#include <cstdint>

#include "files/FileStream.h"
#include "files/WaveFormatEx.h"

namespace quorvane {

// The canonical 44-byte header of a 16-bit PCM WAV file the program writes.
class WavHeader {
 public:
  static constexpr std::size_t Size = 44;
  static constexpr std::uint64_t RiffSizeOffset = 4;
  static constexpr std::uint64_t DataSizeOffset = 40;

  // Header bytes for a file holding dataBytes of sample data in the given format.
  static std::array<std::uint8_t, Size> build(const WaveFormatEx& format, std::uint32_t dataBytes = 0);

  // Brings the two size fields of a written header up to date: RIFF size =
  // dataBytes + 36 at offset 4, data size = dataBytes at offset 40. Leaves the
  // file position at the end of the file. False when a seek or write failed.
  static bool writeSizes(FileStream& file, std::uint32_t dataBytes);
};

void putU16(std::uint8_t* p, std::uint16_t v);
void putU32(std::uint8_t* p, std::uint32_t v);
std::uint16_t getU16(const std::uint8_t* p);
std::uint32_t getU32(const std::uint8_t* p);

}  // namespace quorvane
