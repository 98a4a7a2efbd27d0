#include "files/WavReader.h"

#include <algorithm>
#include <cstring>

#include "files/SampleRates.h"
#include "files/WavHeader.h"

namespace quorvane {

std::string WavHeaderInfo::message() const {
  switch (check) {
    case Check::Ok: return {};
    case Check::NotRiff: return "Not a RIFF file";
    case Check::NotWave: return "Not a WAVE file";
    case Check::FmtIncorrect: return "fmt incorrect";
    case Check::NotPcm: return "Not in PCM Wave format!";
    case Check::UnsupportedBits: return "Only 16-bit PCM wave files can be played";
    case Check::UnsupportedChannels: return "Only mono and stereo wave files can be played";
    case Check::UnsupportedRate: return "Only wave files at " + supportedRatesText() + " Hz can be played";
    case Check::NoData: return "The wave file holds no sound";
    case Check::TooManyChunks:
      return "No sound found in the first " + std::to_string(WavReader::kMaxChunks) + " chunks of the wave file";
  }
  return {};
}

namespace {

using Check = WavHeaderInfo::Check;

constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
// KSDATAFORMAT_SUBTYPE_PCM as it lies in the file.
constexpr std::uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Reads exactly n bytes at offset, or reports that the file ends first.
bool readExact(const WavReader::ReadAt& read, std::uint64_t offset, void* dst, std::size_t n) {
  return read(offset, dst, n) == n;
}

// The body of a fmt chunk: 16-bit PCM, plain or extensible, mono or stereo at a supported rate.
Check readFormat(const WavReader::ReadAt& read, std::uint64_t at, std::uint32_t size, WavFileFormat& out) {
  std::uint8_t b[40];
  if (size < 16 || !readExact(read, at, b, 16)) return Check::FmtIncorrect;
  out.FormatTag = getU16(b);
  if (out.FormatTag == kTagExtensible) {
    // cbSize 22 or more, then valid bits, channel mask and the sub-format.
    if (size < 40 || !readExact(read, at, b, 40) || getU16(b + 16) < 22) return Check::FmtIncorrect;
    if (std::memcmp(b + 24, kPcmSubFormat, sizeof kPcmSubFormat) != 0) return Check::NotPcm;
  } else if (out.FormatTag != kTagPcm) {
    return Check::NotPcm;
  }
  WaveFormatEx& f = out.Format;
  f.Channels = getU16(b + 2);
  f.SampleRate = getU32(b + 4);
  f.AvgBytesPerSec = getU32(b + 8);
  f.BlockAlign = getU16(b + 12);
  f.BitsPerSample = getU16(b + 14);
  if (f.BitsPerSample != 16) return Check::UnsupportedBits;
  if (f.Channels != 1 && f.Channels != 2) return Check::UnsupportedChannels;
  if (!isSupportedRate(f.SampleRate)) return Check::UnsupportedRate;
  return Check::Ok;
}

}  // namespace

WavHeaderInfo WavReader::parse(const ReadAt& read, std::uint64_t size) {
  WavHeaderInfo info;
  std::uint8_t b[8];

  // A file that ends inside a field fails the check that reads that field.
  if (!readExact(read, 0, b, 4) || std::memcmp(b, "RIFF", 4) != 0) return info;
  info.check = Check::NotWave;
  if (!readExact(read, 4, b, 8) || std::memcmp(b + 4, "WAVE", 4) != 0) return info;

  // Walk every chunk from the first (JUNK, LIST, fact, bext, ... may come
  // before or between fmt and data); bodies of odd size are followed by a pad byte.
  bool haveFormat = false;
  bool haveData = false;
  std::uint32_t dataSize = 0;
  std::uint64_t pos = 12;
  for (int chunks = 0; !(haveFormat && haveData); ++chunks) {
    if (pos + 8 > size || !readExact(read, pos, b, 8)) break;
    if (chunks == kMaxChunks) {
      info.check = Check::TooManyChunks;
      return info;
    }
    const std::uint32_t chunkSize = getU32(b + 4);
    if (!haveFormat && std::memcmp(b, "fmt ", 4) == 0) {
      info.check = readFormat(read, pos + 8, chunkSize, info.format);
      if (!info.ok()) return info;
      haveFormat = true;
    } else if (!haveData && std::memcmp(b, "data", 4) == 0) {
      haveData = true;
      info.dataOffset = pos + 8;
      dataSize = chunkSize;
    }
    pos += 8 + static_cast<std::uint64_t>(chunkSize) + (chunkSize & 1u);
  }
  if (!haveFormat) {
    info.check = Check::FmtIncorrect;
    return info;
  }
  info.check = Check::NoData;
  if (!haveData) return info;

  info.declaredDataBytes = dataSize;
  const std::uint64_t available = size - info.dataOffset;
  // Only 32-bit sizes exist in the format, so available is clamped to that too.
  const std::uint32_t held = available > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(available);
  if (dataSize == 0 || dataSize > held) {
    // A recording cut off before completion: play what the file really holds.
    info.dataBytes = held;
    info.dataSizeRepaired = held != dataSize;
  } else {
    info.dataBytes = dataSize;
  }
  // Whole sample frames only.
  info.dataBytes -= info.dataBytes % (2u * info.format.Format.Channels);
  if (info.dataBytes > 0) info.check = Check::Ok;
  return info;
}

WavHeaderInfo WavReader::parse(const std::uint8_t* bytes, std::size_t size) {
  return parse(
      [bytes, size](std::uint64_t offset, void* dst, std::size_t n) -> std::size_t {
        if (offset >= size) return 0;
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(n, size - offset));
        std::memcpy(dst, bytes + offset, count);
        return count;
      },
      size);
}

WavHeaderInfo WavReader::parse(FileStream& file) {
  std::uint64_t size = 0;
  if (file.seekToEnd()) size = file.tell();
  return parse(
      [&file](std::uint64_t offset, void* dst, std::size_t n) -> std::size_t {
        return file.seek(offset) ? file.read(dst, n) : 0;
      },
      size);
}

}  // namespace quorvane
