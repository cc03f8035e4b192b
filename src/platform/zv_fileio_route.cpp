#include "platform/zv_fileio_route.hpp"

namespace zv {

FileSystem& RoutedFileSystem::target() const {
  // A route pointing back at the router would recurse forever; treat it as unset.
  if (!route_ || route_ == this)
    return realFileSystem();
  return *route_;
}

std::error_code RoutedFileSystem::openRead(const std::filesystem::path& path,
                                           std::unique_ptr<ReadableFile>& file) {
  return target().openRead(path, file);
}

std::error_code RoutedFileSystem::openWrite(const std::filesystem::path& path, OpenMode mode,
                                            std::unique_ptr<WritableFile>& file) {
  return target().openWrite(path, mode, file);
}

std::error_code RoutedFileSystem::rename(const std::filesystem::path& from,
                                         const std::filesystem::path& to) {
  return target().rename(from, to);
}

std::error_code RoutedFileSystem::remove(const std::filesystem::path& path) {
  return target().remove(path);
}

std::error_code RoutedFileSystem::syncDirectory(const std::filesystem::path& directory) {
  return target().syncDirectory(directory);
}

std::error_code RoutedFileSystem::createDirectories(const std::filesystem::path& directory) {
  return target().createDirectories(directory);
}

bool RoutedFileSystem::exists(const std::filesystem::path& path) {
  return target().exists(path);
}

std::error_code RoutedFileSystem::fileSize(const std::filesystem::path& path, std::uint64_t& size) {
  return target().fileSize(path, size);
}

std::filesystem::path RoutedFileSystem::resolveLinks(const std::filesystem::path& path) {
  return target().resolveLinks(path);
}

std::error_code RoutedFileSystem::copyPermissions(const std::filesystem::path& from,
                                                  const std::filesystem::path& to) {
  return target().copyPermissions(from, to);
}

std::error_code RoutedFileSystem::checkReplaceable(const std::filesystem::path& path) {
  return target().checkReplaceable(path);
}

} // namespace zv
