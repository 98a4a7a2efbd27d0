#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quorvane {

// A binary file as the program uses it: sequential reads and writes with
// absolute seeks. Every operation reports what really happened, so callers
// can tell a full disk from a successful write.
class FileStream {
 public:
  virtual ~FileStream() = default;

  // Returns the number of bytes actually transferred.
  virtual std::size_t read(void* data, std::size_t bytes) = 0;
  virtual std::size_t write(const void* data, std::size_t bytes) = 0;
  virtual bool seek(std::uint64_t offset) = 0;
  virtual bool seekToEnd() = 0;
  virtual std::uint64_t tell() = 0;
  // Hands buffered data to the operating system. When that fails (a full
  // disk) what could not be written is dropped, so that it cannot reach the
  // file later, behind a header that was brought up to date without it.
  virtual bool flush() = 0;
  // The file's length as the operating system has it (what was flushed).
  virtual std::uint64_t size() {
    const std::uint64_t at = tell();
    const std::uint64_t end = seekToEnd() ? tell() : at;
    seek(at);
    return end;
  }
  // Cuts the file to a length; false when it cannot.
  virtual bool truncate(std::uint64_t) { return false; }
  // Closes the file; false when buffered data could not be written out.
  virtual bool close() = 0;
};

enum class FileMode {
  ReadBinary,    // "rb": existing file, read only
  CreateBinary,  // "wb+": created or truncated, read and write, held exclusively
  AppendBinary,  // "ab": created if missing, every write at the end
};

// Why a file could not be opened.
enum class OpenFailure {
  None,
  CannotOpen,  // missing, no permission, no such folder, ...
  NotRegular,  // a FIFO, a device, a folder: opening or using it can block for good
  InUse,       // another program holds the file open for writing
};

// The message for a failure; `fallback` for a plain CannotOpen.
std::string openFailureText(OpenFailure why, const std::string& fallback);

// Opens a regular file on the real file system; nullptr when it cannot, with
// the reason in `why`. Nothing that can block is ever opened: a path that is
// not a regular file is refused without waiting. A file created for writing
// is locked exclusively (flock) before it is truncated and for as long as it
// stays open, so a second program never truncates or interleaves with it.
std::unique_ptr<FileStream> openStdioFile(const std::string& path, FileMode mode, OpenFailure* why = nullptr);

}  // namespace quorvane
