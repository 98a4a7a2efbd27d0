#include "files/WavWriter.h"

#include "files/WavHeader.h"

namespace quorvane {

bool WavWriter::begin() {
  const auto header = WavHeader::build(format_, 0);
  return file().write(header.data(), header.size()) == header.size() && file().flush();
}

bool WavWriter::restart(const WaveFormatEx& format) {
  const auto header = WavHeader::build(format, 0);
  const bool ok = file().seek(0) && file().write(header.data(), header.size()) == header.size() && file().flush() &&
                  file().seekToEnd();
  if (ok) format_ = format;
  return ok;
}

bool WavWriter::checkpoint(std::uint64_t dataBytes) {
  // The sound first: the header never counts bytes that are not yet in the file.
  return file().flush() && WavHeader::writeSizes(file(), static_cast<std::uint32_t>(dataBytes)) && file().flush();
}

bool WavWriter::complete(std::uint64_t& dataBytes) {
  FileStream& f = file();
  f.flush();
  const std::uint64_t size = f.size();
  const std::uint32_t frame = format_.BlockAlign ? format_.BlockAlign : 1;
  std::uint64_t onDisk = size > WavHeader::Size ? size - WavHeader::Size : 0;
  onDisk -= onDisk % frame;
  if (onDisk < dataBytes) dataBytes = onDisk;
  if (size > WavHeader::Size + dataBytes) f.truncate(WavHeader::Size + dataBytes);
  return WavHeader::writeSizes(f, static_cast<std::uint32_t>(dataBytes));
}

}  // namespace quorvane
