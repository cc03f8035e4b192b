#include "program/zv_first_run.hpp"

#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/zv_file_replacement.hpp"
#include "platform/zv_path_bytes.hpp"
#include "platform/zv_process.hpp"

namespace zv {

namespace {

std::error_code readWhole(FileSystem& fs, const std::filesystem::path& path, std::string& out) {
  std::unique_ptr<ReadableFile> file;
  if (auto ec = fs.openRead(path, file))
    return ec;
  out.clear();
  char buffer[8192];
  for (;;) {
    std::size_t got = 0;
    if (auto ec = file->read(buffer, sizeof buffer, got))
      return ec;
    if (got == 0)
      return {};
    out.append(buffer, got);
  }
}

// Writes content to target unless a file is already there.
std::error_code writeNew(FileSystem& fs, const std::filesystem::path& target,
                         const std::string& content) {
  if (fs.exists(target))
    return {};
  const ReplaceResult r = replaceFile(fs, target, ReplaceOptions{}, [&](FileWriter& out) {
    out.write(content);
    return std::error_code{};
  });
  return r.error;
}

std::string replaceAll(std::string text, std::string_view what, std::string_view with) {
  for (std::size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
  return text;
}

} // namespace

std::filesystem::path firstRunUserDirectory() {
  if (const char* chosen = std::getenv("ZARVIK_USER_DIR"); chosen && *chosen)
    return chosen;
  const std::filesystem::path home = userHomeFolder();
  return (home.empty() ? "." : home) / "Zarvik";
}

std::error_code prepareUserDirectory(FileSystem& fs, Registry& registry,
                                     const std::filesystem::path& templates,
                                     const std::filesystem::path& userDirectory) {
  const std::filesystem::path dir = userDirectory / "";
  for (const char* folder : {"Backup", "Graph"})
    if (auto ec = fs.createDirectories(dir / folder))
      return ec;
  std::error_code listed;
  std::vector<std::filesystem::path> deviceFiles;
  for (const auto& entry : std::filesystem::directory_iterator(templates, listed))
    if (entry.path().extension() == ".ZRK")
      deviceFiles.push_back(entry.path());
  if (listed)
    return listed;
  for (const auto& file : deviceFiles) {
    const std::filesystem::path target = dir / file.filename();
    if (fs.exists(target))
      continue;
    if (auto ec = replaceWithCopy(fs, file, target))
      return ec;
  }
  std::string content;
  if (auto ec = readWhole(fs, templates / "ZARVIK.INI", content))
    return ec;
  if (auto ec = writeNew(fs, dir / "ZARVIK.INI", replaceAll(content, "@USERDIR@", pathBytes(dir))))
    return ec;
  if (!registry.writeIniFilePath(pathBytes(dir)))
    return std::make_error_code(std::errc::permission_denied);
  return {};
}

} // namespace zv
