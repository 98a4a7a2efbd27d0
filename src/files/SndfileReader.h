#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/FileStream.h"

struct sf_private_tag;

namespace quorvane {

// A FLAC, Ogg (Vorbis or Opus) or MP3 file decoded by libsndfile and shown to
// the rest of the program as the 16-bit PCM WAV file it would be: a canonical
// 44-byte header, then the decoded frames. Play, seek and file transfer then
// read it as they read a WAV file, and the WAV reader's checks (rate,
// channels) and messages apply to it unchanged. A seek lands on the frame it
// names (libsndfile seeks in the compressed stream).
//
// At most 4 GiB of decoded sound are shown (a WAV file's limit): a longer file
// plays its first 4 GiB.
class SndfileReader : public FileStream {
 public:
  ~SndfileReader() override;

  // Takes `file` when it holds one of those formats; otherwise leaves it where
  // it is and says why in `error`. A file libsndfile does not know at all is
  // left to the WAV reader to judge (error empty), unless its name claims a
  // compressed format (`claimed`).
  static std::unique_ptr<SndfileReader> open(std::unique_ptr<FileStream>& file, std::string& error,
                                             bool claimed = false);
  // Whether a file name ends in one of the extensions of those formats.
  static bool claimsCompressed(const std::string& path);

  std::size_t read(void* data, std::size_t bytes) override;
  std::size_t write(const void*, std::size_t) override { return 0; }
  bool seek(std::uint64_t offset) override;
  bool seekToEnd() override;
  std::uint64_t tell() override { return pos_; }
  bool flush() override { return true; }
  std::uint64_t size() override { return 44 + dataBytes_; }
  bool close() override;

  int rate() const { return rate_; }
  int channels() const { return channels_; }

  // libsndfile reads the file through these.
  FileStream& source() { return *file_; }

 private:
  explicit SndfileReader(std::unique_ptr<FileStream> file) : file_(std::move(file)) {}
  bool decodeFrom(std::uint64_t frame);

  std::unique_ptr<FileStream> file_;
  sf_private_tag* sndfile_ = nullptr;
  int rate_ = 0, channels_ = 0;
  std::uint64_t frameBytes_ = 2;
  std::uint64_t dataBytes_ = 0;
  std::uint64_t pos_ = 0;
  std::uint64_t nextFrame_ = 0;  // where the decoder stands
  std::vector<std::uint8_t> header_;
  std::vector<std::int16_t> block_;
};

}  // namespace quorvane
