#pragma once

#include <algorithm>
#include <memory>

#include "files/FileStream.h"

namespace quorvane::test {

// A real file, written from empty, that can hold no more than `budget` bytes, as on a full disk; bytes already in
// the file can still be overwritten (the header's sizes).
class LimitedFile : public FileStream {
 public:
  LimitedFile(std::unique_ptr<FileStream> inner, std::size_t budget) : inner_(std::move(inner)), budget_(budget) {}
  std::size_t read(void* d, std::size_t n) override { return inner_->read(d, n); }
  std::size_t write(const void* d, std::size_t n) override {
    const std::uint64_t pos = inner_->tell();
    return inner_->write(d, pos >= budget_ ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(n, budget_ - pos)));
  }
  bool seek(std::uint64_t o) override { return inner_->seek(o); }
  bool seekToEnd() override { return inner_->seekToEnd(); }
  std::uint64_t tell() override { return inner_->tell(); }
  bool flush() override { return inner_->flush(); }
  bool close() override { return inner_->close(); }

 private:
  std::unique_ptr<FileStream> inner_;
  std::size_t budget_;
};

}  // namespace quorvane::test
