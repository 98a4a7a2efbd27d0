#pragma once

#include <memory>
#include <vector>

#include "files/FileStream.h"

namespace quorvane {

// A file read or written in large pieces, for a batch job that moves a whole
// file through a buffer of 16 KB at a time: a thousand times fewer calls into
// the system. Reads are served from the last piece read; writes are gathered
// and handed on at a flush, a seek or when a piece is full. A write that then
// fails is reported by that flush (or the next operation), as a full disk
// behind a stdio buffer is; a batch job that sees it discards its output.
class BatchFile final : public FileStream {
 public:
  explicit BatchFile(std::unique_ptr<FileStream> file) : file_(std::move(file)) {}

  std::size_t read(void* data, std::size_t bytes) override;
  std::size_t write(const void* data, std::size_t bytes) override;
  bool seek(std::uint64_t offset) override;
  bool seekToEnd() override;
  std::uint64_t tell() override;
  bool flush() override { return drain() && file_->flush(); }
  std::uint64_t size() override { return drain() ? file_->size() : 0; }
  bool truncate(std::uint64_t length) override { return drain() && file_->truncate(length); }
  bool close() override;

 private:
  static constexpr std::size_t Piece = 1 << 20;
  // Writes what is gathered; false when it could not be written.
  bool drain();
  // Forgets what was read ahead, putting the file where the reader is.
  bool unread();

  std::unique_ptr<FileStream> file_;
  std::vector<std::uint8_t> pending_;  // gathered writes
  std::vector<std::uint8_t> ahead_;    // read ahead; the reader is at ahead_[used_]
  std::size_t used_ = 0;
  bool failed_ = false;
};

}  // namespace quorvane
