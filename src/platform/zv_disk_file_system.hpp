#pragma once
// What the disk-backed file systems of both platforms do alike: the queries and the directory
// creation that the standard library already does the same way everywhere.
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/zv_fileio.hpp"

namespace zv {

class DiskFileSystem : public FileSystem {
public:
  std::error_code createDirectories(const std::filesystem::path& directory) override {
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    return ec;
  }

  bool exists(const std::filesystem::path& path) override {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
  }

  std::error_code fileSize(const std::filesystem::path& path, std::uint64_t& size) override {
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    if (!ec)
      size = n;
    return ec;
  }
};

} // namespace zv
