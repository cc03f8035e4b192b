#pragma once
// A FileSystem that hands every call to the one a pointer designates at the time of the call.
// The program owns one pointer to "its" file system and gives this router to every part that
// keeps a FileSystem reference (data files, graph files, backup journal), so switching the
// pointer (a test injecting faults, a crash test killing the process) reaches all of them.
//
// Files already open stay with the file system that opened them: a switch affects the next
// open, rename or remove, never a half-written file.
#include "platform/zv_fileio.hpp"

namespace zv {

class RoutedFileSystem final : public FileSystem {
public:
  // route must outlive the router; a null pointer routes to the real files.
  explicit RoutedFileSystem(FileSystem* const& route) : route_(route) {}
  RoutedFileSystem(const RoutedFileSystem&) = delete;
  RoutedFileSystem& operator=(const RoutedFileSystem&) = delete;

  // Where the next call goes.
  FileSystem& target() const;

  std::error_code openRead(const std::filesystem::path& path,
                           std::unique_ptr<ReadableFile>& file) override;
  std::error_code openWrite(const std::filesystem::path& path, OpenMode mode,
                            std::unique_ptr<WritableFile>& file) override;
  std::error_code rename(const std::filesystem::path& from,
                         const std::filesystem::path& to) override;
  std::error_code remove(const std::filesystem::path& path) override;
  std::error_code syncDirectory(const std::filesystem::path& directory) override;
  std::error_code createDirectories(const std::filesystem::path& directory) override;
  bool exists(const std::filesystem::path& path) override;
  std::error_code fileSize(const std::filesystem::path& path, std::uint64_t& size) override;
  std::filesystem::path resolveLinks(const std::filesystem::path& path) override;
  std::error_code copyPermissions(const std::filesystem::path& from,
                                  const std::filesystem::path& to) override;
  std::error_code checkReplaceable(const std::filesystem::path& path) override;

private:
  FileSystem* const& route_;
};

} // namespace zv
