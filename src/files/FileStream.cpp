#include "files/FileStream.h"

#include <fcntl.h>
#include <stdio_ext.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace quorvane {
namespace {

class StdioFileStream final : public FileStream {
 public:
  explicit StdioFileStream(std::FILE* f) : file_(f) {}
  ~StdioFileStream() override { close(); }

  std::size_t read(void* data, std::size_t bytes) override {
    return file_ ? std::fread(data, 1, bytes, file_) : 0;
  }
  std::size_t write(const void* data, std::size_t bytes) override {
    return file_ ? std::fwrite(data, 1, bytes, file_) : 0;
  }
  bool seek(std::uint64_t offset) override {
    return file_ && fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
  }
  bool seekToEnd() override { return file_ && fseeko(file_, 0, SEEK_END) == 0; }
  std::uint64_t tell() override {
    if (!file_) return 0;
    const off_t pos = ftello(file_);
    return pos < 0 ? 0 : static_cast<std::uint64_t>(pos);
  }
  bool flush() override {
    if (!file_) return false;
    if (std::fflush(file_) == 0) return true;
    __fpurge(file_);
    std::clearerr(file_);
    return false;
  }
  std::uint64_t size() override {
    struct stat st {};
    return file_ && fstat(fileno(file_), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  }
  bool truncate(std::uint64_t length) override {
    return file_ && ftruncate(fileno(file_), static_cast<off_t>(length)) == 0;
  }
  // Closing the descriptor releases the lock.
  bool close() override {
    if (!file_) return true;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  std::FILE* file_;
};

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The descriptor of a regular file, or -1 with the reason. O_NONBLOCK makes
// the open of a FIFO return at once; the file type is then checked on what
// was opened, so a path swapped for a FIFO in between is refused too.
int openRegular(const std::string& path, FileMode mode, OpenFailure& why) {
  struct stat st{};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    why = OpenFailure::NotRegular;  // never opened: opening a device can have effects of its own
    return -1;
  }
  const int flags = mode == FileMode::ReadBinary     ? O_RDONLY
                    : mode == FileMode::AppendBinary ? O_WRONLY | O_CREAT | O_APPEND
                                                     : O_RDWR | O_CREAT;
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) {
    why = errno == ENXIO || errno == EISDIR ? OpenFailure::NotRegular : OpenFailure::CannotOpen;
    return -1;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    why = OpenFailure::NotRegular;
    ::close(fd);
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (mode != FileMode::CreateBinary) return fd;

  // Locked before truncating, so the file of a recording under way elsewhere
  // is left whole. A file renamed away while we waited (a settings file saved
  // by another instance) is no longer at the path: we do not own what is there.
  struct stat atPath{};
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::stat(path.c_str(), &atPath) != 0 || !sameFile(st, atPath)) {
    why = OpenFailure::InUse;
    ::close(fd);
    return -1;
  }
  if (::ftruncate(fd, 0) != 0) {
    why = OpenFailure::CannotOpen;
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::string openFailureText(OpenFailure why, const std::string& fallback) {
  switch (why) {
    case OpenFailure::NotRegular: return "Not a regular file";
    case OpenFailure::InUse: return "The file is in use by another program";
    case OpenFailure::None:
    case OpenFailure::CannotOpen: break;
  }
  return fallback;
}

std::unique_ptr<FileStream> openStdioFile(const std::string& path, FileMode mode, OpenFailure* why) {
  OpenFailure failure = OpenFailure::None;
  const int fd = openRegular(path, mode, failure);
  const char* how = mode == FileMode::ReadBinary ? "rb" : mode == FileMode::CreateBinary ? "wb+" : "ab";
  std::FILE* f = fd < 0 ? nullptr : ::fdopen(fd, how);
  if (fd >= 0 && !f) {
    failure = OpenFailure::CannotOpen;
    ::close(fd);
  }
  if (why) *why = failure;
  if (!f) return nullptr;
  return std::make_unique<StdioFileStream>(f);
}

}  // namespace quorvane
