// libFuzzer entry: any bytes as a compressed sound file (FLAC, Ogg Vorbis or
// Opus, MP3). Opening, reading through and seeking must never crash or read
// out of bounds; what opens must show a WAV header the WAV reader takes or
// refuses with a message, and never more sound than it says it holds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "files/SndfileReader.h"
#include "files/WavReader.h"

namespace {

class MemoryFile : public quorvane::FileStream {
 public:
  MemoryFile(const std::uint8_t* d, std::size_t n) : data_(d, d + n) {}
  std::size_t read(void* dst, std::size_t n) override {
    const std::size_t k = pos_ < data_.size() ? std::min(n, data_.size() - pos_) : 0;
    if (k) std::memcpy(dst, data_.data() + pos_, k);
    pos_ += k;
    return k;
  }
  std::size_t write(const void*, std::size_t) override { return 0; }
  bool seek(std::uint64_t o) override { return o <= data_.size() && ((pos_ = o), true); }
  bool seekToEnd() override { return (pos_ = data_.size()), true; }
  std::uint64_t tell() override { return pos_; }
  bool flush() override { return true; }
  bool close() override { return true; }

 private:
  std::vector<std::uint8_t> data_;
  std::uint64_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<quorvane::FileStream> file = std::make_unique<MemoryFile>(data, size);
  std::string error;
  auto reader = quorvane::SndfileReader::open(file, error, true);
  if (!reader) {
    if (error.empty() || !file) std::abort();  // refused with a message, the file given back
    return 0;
  }
  const quorvane::WavHeaderInfo info = quorvane::WavReader::parse(*reader);
  if (!info.ok()) {
    if (info.message().empty()) std::abort();
    return 0;
  }
  // Read a bounded amount from the start, from the middle and near the end.
  std::vector<std::uint8_t> block(8192);
  const std::uint64_t end = info.dataOffset + info.dataBytes;
  for (std::uint64_t at : {info.dataOffset, info.dataOffset + info.dataBytes / 2 / 4 * 4, end > 8192 ? end - 8192 : 0}) {
    if (!reader->seek(at)) std::abort();
    for (int i = 0; i < 8; ++i) {
      const std::size_t got = reader->read(block.data(), block.size());
      if (got > block.size() || reader->tell() > end) std::abort();
      if (got < block.size()) break;
    }
  }
  return 0;
}

// Debian's libsndfile leaks its Vorbis decoder's state when a malformed Ogg
// Vorbis file fails to open (vorbis_info_init's block). Not ours to mend; the
// same list is given to the sanitizer builds of the tests.
extern "C" const char* __lsan_default_suppressions() { return "leak:vorbis_info_init\n"; }
