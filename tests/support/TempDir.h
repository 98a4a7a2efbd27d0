#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace quorvane::test {

// A fresh folder under the system's temp dir, removed with its contents.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("quorvane-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string file(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::vector<std::uint8_t> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::uint32_t u32At(const std::vector<std::uint8_t>& b, std::size_t off) {
  return static_cast<std::uint32_t>(b.at(off)) | (static_cast<std::uint32_t>(b.at(off + 1)) << 8) |
         (static_cast<std::uint32_t>(b.at(off + 2)) << 16) | (static_cast<std::uint32_t>(b.at(off + 3)) << 24);
}
inline std::int16_t s16At(const std::vector<std::uint8_t>& b, std::size_t off) {
  return static_cast<std::int16_t>(b.at(off) | (b.at(off + 1) << 8));
}

}  // namespace quorvane::test
