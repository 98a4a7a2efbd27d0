#include "files/WavReader.h"

#include <algorithm>
#include <cstring>

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
    case Check::UnsupportedRate: return "Only wave files at 11025, 22050 or 44100 Hz can be played";
  }
  return {};
}

namespace {

// Reads exactly n bytes at offset, or reports that the file ends first.
bool readExact(const WavReader::ReadAt& read, std::uint64_t offset, void* dst, std::size_t n) {
  return read(offset, dst, n) == n;
}

}  // namespace

WavHeaderInfo WavReader::parse(const ReadAt& read, std::uint64_t size) {
  WavHeaderInfo info;
  std::uint8_t b[16];
  using Check = WavHeaderInfo::Check;

  // A file that ends inside a field fails the check that reads that field.
  if (!readExact(read, 0, b, 4) || std::memcmp(b, "RIFF", 4) != 0) return info;
  info.check = Check::NotWave;
  if (!readExact(read, 4, b, 8) || std::memcmp(b + 4, "WAVE", 4) != 0) return info;
  info.check = Check::FmtIncorrect;
  if (!readExact(read, 12, b, 8) || std::memcmp(b, "fmt ", 4) != 0) return info;
  const std::uint32_t fmtSize = getU32(b + 4);
  info.check = Check::NotPcm;
  if (!readExact(read, 20, b, 2)) return info;
  info.format.FormatTag = getU16(b);
  if (info.format.FormatTag != 1) return info;
  // PCM needs the whole 16-byte format record.
  info.check = Check::FmtIncorrect;
  if (fmtSize < 16 || !readExact(read, 22, b, 14)) return info;
  WaveFormatEx& f = info.format.Format;
  f.Channels = getU16(b);
  f.SampleRate = getU32(b + 2);
  f.AvgBytesPerSec = getU32(b + 6);
  f.BlockAlign = getU16(b + 10);
  f.BitsPerSample = getU16(b + 12);

  if (f.BitsPerSample != 16) {
    info.check = Check::UnsupportedBits;
    return info;
  }
  if (f.Channels != 1 && f.Channels != 2) {
    info.check = Check::UnsupportedChannels;
    return info;
  }
  if (f.SampleRate != 11025 && f.SampleRate != 22050 && f.SampleRate != 44100) {
    info.check = Check::UnsupportedRate;
    return info;
  }
  info.check = Check::Ok;

  // Walk the chunks after fmt (fact, LIST, cue, bext, ...) to the data chunk;
  // chunk bodies of odd size are followed by a pad byte.
  std::uint64_t pos = 20 + static_cast<std::uint64_t>(fmtSize) + (fmtSize & 1u);
  // A bound on the walk keeps a file of millions of empty chunks from hanging the window.
  for (int chunks = 0; chunks < 4096 && pos + 8 <= size; ++chunks) {
    if (!readExact(read, pos, b, 8)) break;
    const std::uint32_t chunkSize = getU32(b + 4);
    if (std::memcmp(b, "data", 4) == 0) {
      info.dataOffset = pos + 8;
      info.declaredDataBytes = chunkSize;
      const std::uint64_t available = size - info.dataOffset;
      // Only 32-bit sizes exist in the format, so available is clamped to that too.
      const std::uint32_t held = available > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(available);
      if (chunkSize == 0 || chunkSize > held) {
        info.dataBytes = held;
        info.dataSizeRepaired = held != chunkSize;
      } else {
        info.dataBytes = chunkSize;
      }
      // Whole sample frames only.
      info.dataBytes -= info.dataBytes % (2u * f.Channels);
      return info;
    }
    pos += 8 + static_cast<std::uint64_t>(chunkSize) + (chunkSize & 1u);
  }
  // No data chunk: nothing to play.
  info.dataOffset = size;
  info.dataBytes = 0;
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
