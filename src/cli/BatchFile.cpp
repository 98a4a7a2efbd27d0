#include "cli/BatchFile.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

std::size_t BatchFile::read(void* data, std::size_t bytes) {
  if (!drain()) return 0;
  auto* out = static_cast<std::uint8_t*>(data);
  std::size_t done = 0;
  while (done < bytes) {
    if (used_ == ahead_.size()) {
      ahead_.resize(Piece);
      ahead_.resize(file_->read(ahead_.data(), Piece));
      used_ = 0;
      if (ahead_.empty()) break;
    }
    const std::size_t n = std::min(bytes - done, ahead_.size() - used_);
    std::memcpy(out + done, ahead_.data() + used_, n);
    used_ += n;
    done += n;
  }
  return done;
}

std::size_t BatchFile::write(const void* data, std::size_t bytes) {
  if (failed_ || !unread()) return 0;
  // What would overflow the piece goes out first: the buffer never grows past it.
  if (pending_.size() + bytes > Piece && !drain()) return 0;
  const auto* in = static_cast<const std::uint8_t*>(data);
  if (bytes >= Piece) return file_->write(in, bytes);
  if (pending_.capacity() < Piece) pending_.reserve(Piece);
  pending_.insert(pending_.end(), in, in + bytes);
  return bytes;
}

bool BatchFile::drain() {
  if (failed_) return false;
  if (pending_.empty()) return true;
  failed_ = file_->write(pending_.data(), pending_.size()) != pending_.size();
  pending_.clear();
  return !failed_;
}

bool BatchFile::unread() {
  if (used_ == ahead_.size()) return true;
  const std::uint64_t at = tell();
  ahead_.clear();
  used_ = 0;
  return file_->seek(at);
}

bool BatchFile::seek(std::uint64_t offset) {
  ahead_.clear();
  used_ = 0;
  return drain() && file_->seek(offset);
}

bool BatchFile::seekToEnd() {
  ahead_.clear();
  used_ = 0;
  return drain() && file_->seekToEnd();
}

std::uint64_t BatchFile::tell() {
  // Gathered writes are after the file's position, read-ahead before it.
  return file_->tell() + pending_.size() - (ahead_.size() - used_);
}

bool BatchFile::close() {
  const bool drained = drain();
  return file_->close() && drained;
}

}  // namespace quorvane
