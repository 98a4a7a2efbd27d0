// libFuzzer entry: any bytes as a WAV file. The reader must never read out of
// bounds, crash, hang, or report sound the input does not hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "files/WavReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const quorvane::WavHeaderInfo info = quorvane::WavReader::parse(data, size);
  if (info.ok()) {
    if (info.dataOffset > size || info.dataBytes > size - info.dataOffset) std::abort();
    if (info.dataBytes % (2u * info.format.Format.Channels) != 0) std::abort();
  } else if (info.message().empty()) {
    std::abort();
  }
  return 0;
}
