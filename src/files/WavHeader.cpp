#include "files/WavHeader.h"

#include <cstring>

namespace quorvane {

void putU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void putU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint16_t getU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t getU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::array<std::uint8_t, WavHeader::Size> WavHeader::build(const WaveFormatEx& f, std::uint32_t dataBytes) {
  std::array<std::uint8_t, Size> h{};
  std::memcpy(&h[0], "RIFF", 4);
  putU32(&h[4], dataBytes + 36);
  std::memcpy(&h[8], "WAVE", 4);
  std::memcpy(&h[12], "fmt ", 4);
  putU32(&h[16], 16);
  putU16(&h[20], 1);  // PCM
  putU16(&h[22], f.Channels);
  putU32(&h[24], f.SampleRate);
  putU32(&h[28], f.AvgBytesPerSec);
  putU16(&h[32], f.BlockAlign);
  putU16(&h[34], f.BitsPerSample);
  std::memcpy(&h[36], "data", 4);
  putU32(&h[40], dataBytes);
  return h;
}

bool WavHeader::writeSizes(FileStream& file, std::uint32_t dataBytes) {
  std::uint8_t b[4];
  bool ok = file.seek(RiffSizeOffset);
  putU32(b, dataBytes + 36);
  ok = ok && file.write(b, 4) == 4;
  ok = ok && file.seek(DataSizeOffset);
  putU32(b, dataBytes);
  ok = ok && file.write(b, 4) == 4;
  ok = file.seekToEnd() && ok;
  return ok;
}

}  // namespace quorvane
