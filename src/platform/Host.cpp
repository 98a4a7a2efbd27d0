#include "platform/Host.h"

#include <filesystem>
#include <iostream>

namespace quorvane {

void Host::printError(const std::string& text) { std::cerr << "quorvane: " << text << std::endl; }

std::string Host::withDefaultExtension(const std::string& path, const std::string& extension) {
  std::error_code ec;
  const std::filesystem::path p(path);
  if (extension.empty() || p.has_extension() || std::filesystem::exists(std::filesystem::symlink_status(p, ec)))
    return path;
  return path + "." + extension;
}

}  // namespace quorvane
