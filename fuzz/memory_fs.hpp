#pragma once
// A file system in memory for the fuzz targets: no disk traffic, every run starts empty.
#include <map>
#include <memory>
#include <string>

#include "platform/zv_fileio.hpp"
#include "platform/zv_silent_ui.hpp"
#include "platform/zv_ui.hpp"

namespace zv::fuzz {

class MemoryFileSystem final : public FileSystem {
public:
  std::map<std::string, std::string> files;

  std::error_code openRead(const std::filesystem::path& path,
                           std::unique_ptr<ReadableFile>& file) override {
    auto it = files.find(path.string());
    if (it == files.end())
      return std::make_error_code(std::errc::no_such_file_or_directory);
    file = std::make_unique<MemoryFile>(it->second, 4096);
    return {};
  }
  std::error_code openWrite(const std::filesystem::path& path, OpenMode mode,
                            std::unique_ptr<WritableFile>& file) override {
    const std::string key = path.string();
    const bool exists = files.count(key) != 0;
    if (mode == OpenMode::CreateNew && exists)
      return std::make_error_code(std::errc::file_exists);
    if (mode == OpenMode::ExistingReadWrite && !exists)
      return std::make_error_code(std::errc::no_such_file_or_directory);
    if (mode == OpenMode::Truncate || mode == OpenMode::CreateNew)
      files[key].clear();
    file = std::make_unique<Writable>(files[key]);
    return {};
  }
  std::error_code rename(const std::filesystem::path& from,
                         const std::filesystem::path& to) override {
    auto it = files.find(from.string());
    if (it == files.end())
      return std::make_error_code(std::errc::no_such_file_or_directory);
    std::string content = std::move(it->second);
    files.erase(it);
    files[to.string()] = std::move(content);
    return {};
  }
  std::error_code remove(const std::filesystem::path& path) override {
    return files.erase(path.string()) ? std::error_code()
                                      : std::make_error_code(std::errc::no_such_file_or_directory);
  }
  std::error_code syncDirectory(const std::filesystem::path&) override { return {}; }
  std::error_code createDirectories(const std::filesystem::path&) override { return {}; }
  bool exists(const std::filesystem::path& path) override { return files.count(path.string()); }
  std::error_code fileSize(const std::filesystem::path& path, std::uint64_t& size) override {
    auto it = files.find(path.string());
    if (it == files.end())
      return std::make_error_code(std::errc::no_such_file_or_directory);
    size = it->second.size();
    return {};
  }

private:
  class Writable final : public WritableFile {
  public:
    explicit Writable(std::string& target) : target_(target) {}
    std::error_code write(const void* data, std::size_t size) override {
      target_.append(static_cast<const char*>(data), size);
      return {};
    }
    std::error_code sync() override { return {}; }
    std::error_code close() override { return {}; }

  private:
    std::string& target_;
  };
};

// A user who is never asked anything.

} // namespace zv::fuzz
