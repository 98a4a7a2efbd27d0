#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace quorvane::test {

// Builds WAV files chunk by chunk, for files other programs write.
class WavBytes {
 public:
  WavBytes& raw(const std::string& s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
  }
  // Little-endian, in `size` bytes.
  WavBytes& le(std::uint32_t v, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return *this;
  }
  WavBytes& u16(std::uint16_t v) { return le(v, 2); }
  WavBytes& u32(std::uint32_t v) { return le(v, 4); }
  WavBytes& fill(std::size_t n, std::uint8_t v) {
    bytes.insert(bytes.end(), n, v);
    return *this;
  }
  // RIFF/WAVE and a PCM fmt chunk of fmtSize bytes (16 or more).
  WavBytes& header(std::uint16_t channels, std::uint32_t rate, std::uint32_t fmtSize = 16, std::uint16_t bits = 16,
                   std::uint16_t tag = 1) {
    raw("RIFF").u32(0).raw("WAVE").raw("fmt ").u32(fmtSize).u16(tag).u16(channels).u32(rate);
    u32(rate * channels * bits / 8).u16(static_cast<std::uint16_t>(channels * bits / 8)).u16(bits);
    return fill(fmtSize - 16 + (fmtSize & 1u), 0);
  }
  // RIFF/WAVE and a 40-byte WAVE_FORMAT_EXTENSIBLE fmt chunk of 16-bit samples;
  // the sub-format GUID's first byte is 1 for PCM, 3 for float.
  WavBytes& extensible(std::uint16_t channels, std::uint32_t rate, std::uint8_t subFormat = 1) {
    raw("RIFF").u32(0).raw("WAVE").raw("fmt ").u32(40).u16(0xFFFE).u16(channels).u32(rate).u32(rate * channels * 2);
    u16(static_cast<std::uint16_t>(channels * 2)).u16(16).u16(22).u16(16).u32(channels == 1 ? 4 : 3);
    bytes.insert(bytes.end(), {subFormat, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71});
    return *this;
  }
  WavBytes& chunk(const std::string& id, std::uint32_t size, std::uint8_t content = 0xEE) {
    raw(id).u32(size).fill(size, content);
    if (size & 1u) fill(1, 0);
    return *this;
  }
  std::vector<std::uint8_t> bytes;
};

}  // namespace quorvane::test
