#include "files/FileStream.h"

#include <stdio_ext.h>
#include <sys/stat.h>
#include <unistd.h>

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
  bool close() override {
    if (!file_) return true;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  std::FILE* file_;
};

}  // namespace

std::unique_ptr<FileStream> openStdioFile(const std::string& path, FileMode mode) {
  const char* how = mode == FileMode::ReadBinary ? "rb" : mode == FileMode::CreateBinary ? "wb+" : "ab";
  std::FILE* f = std::fopen(path.c_str(), how);
  if (!f) return nullptr;
  return std::make_unique<StdioFileStream>(f);
}

}  // namespace quorvane
