#pragma once

#include <memory>

#include "files/FileStream.h"

namespace quorvane::test {

// A real file that can only grow by a byte budget, as on a full disk; bytes
// already in the file can still be overwritten (the header's sizes).
class LimitedFile : public FileStream {
 public:
  LimitedFile(std::unique_ptr<FileStream> inner, std::size_t budget) : inner_(std::move(inner)), budget_(budget) {}
  std::size_t read(void* d, std::size_t n) override { return inner_->read(d, n); }
  std::size_t write(const void* d, std::size_t n) override {
    const std::uint64_t pos = inner_->tell();
    const std::uint64_t room = (end_ > pos ? end_ - pos : 0) + budget_;
    const std::size_t allowed = n < room ? n : static_cast<std::size_t>(room);
    const std::size_t done = inner_->write(d, allowed);
    if (pos + done > end_) {
      budget_ -= static_cast<std::size_t>(pos + done - end_);
      end_ = pos + done;
    }
    return done;
  }
  bool seek(std::uint64_t o) override { return inner_->seek(o); }
  bool seekToEnd() override { return inner_->seekToEnd(); }
  std::uint64_t tell() override { return inner_->tell(); }
  bool flush() override { return inner_->flush(); }
  bool close() override { return inner_->close(); }

 private:
  std::unique_ptr<FileStream> inner_;
  std::size_t budget_;
  std::uint64_t end_ = 0;
};

}  // namespace quorvane::test
