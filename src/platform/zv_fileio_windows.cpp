// The file layer on Windows: handles opened with CreateFileW on wide-character paths,
// FlushFileBuffers for sync, MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH
// for the rename that replaces a file. Errors that have an errno counterpart come back in the
// generic category, as on POSIX systems (zv_windows_api.hpp).
#include <algorithm>
#include <string>

#include "platform/zv_disk_file_system.hpp"
#include "platform/zv_fileio.hpp"
#include "platform/zv_windows_api.hpp"

namespace zv {

namespace {

// Files are opened with every sharing mode, so they behave as on POSIX systems: a reader
// elsewhere does not block a replacement, and an open file can be renamed over or removed.
constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// ReadFile and WriteFile take a DWORD count; larger blocks go in pieces.
constexpr std::size_t MaxChunk = std::size_t{1} << 30;

enum class Kind { Missing, Regular, Directory, Other };

// What a path names: a regular file, a directory, or something else (a device such as NUL or
// COM1, a pipe). ownLink looks at a symbolic link itself instead of what it points to.
Kind kindOf(const std::filesystem::path& path, bool ownLink) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS; // lets directories open too
  if (ownLink)
    flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  HANDLE h = ::CreateFileW(path.c_str(), 0, ShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
      return Kind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Directory : Kind::Regular;
  }
  Kind kind = Kind::Other;
  if (::GetFileType(h) == FILE_TYPE_DISK) {
    kind = Kind::Regular;
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(h, &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      kind = Kind::Directory;
  }
  ::CloseHandle(h);
  return kind;
}

// Opening a directory as a file fails with "access denied"; say what it really is.
std::error_code openError(const std::filesystem::path& path) {
  const DWORD code = ::GetLastError();
  if (code == ERROR_ACCESS_DENIED && kindOf(path, false) == Kind::Directory)
    return std::make_error_code(std::errc::is_a_directory);
  return windowsError(code);
}

class WindowsReadable final : public ReadableFile {
public:
  explicit WindowsReadable(HANDLE h) : h_(h) {}
  ~WindowsReadable() override { ::CloseHandle(h_); }
  WindowsReadable(const WindowsReadable&) = delete;
  WindowsReadable& operator=(const WindowsReadable&) = delete;

  std::error_code read(void* buffer, std::size_t size, std::size_t& got) override {
    got = 0;
    DWORD n = 0;
    if (!::ReadFile(h_, buffer, static_cast<DWORD>(std::min(size, MaxChunk)), &n, nullptr)) {
      if (::GetLastError() == ERROR_HANDLE_EOF)
        return {};
      return lastWindowsError();
    }
    got = n;
    return {};
  }
  std::error_code seek(std::uint64_t offset) override {
    if (offset > static_cast<std::uint64_t>(INT64_MAX))
      return std::make_error_code(std::errc::invalid_argument);
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(h_, to, nullptr, FILE_BEGIN))
      return lastWindowsError();
    return {};
  }

private:
  HANDLE h_;
};

class WindowsWritable final : public WritableFile {
public:
  WindowsWritable(HANDLE h, bool append) : h_(h), append_(append) {}
  ~WindowsWritable() override {
    if (h_ != INVALID_HANDLE_VALUE)
      ::CloseHandle(h_);
  }
  WindowsWritable(const WindowsWritable&) = delete;
  WindowsWritable& operator=(const WindowsWritable&) = delete;

  std::error_code write(const void* data, std::size_t size) override {
    if (h_ == INVALID_HANDLE_VALUE)
      return std::make_error_code(std::errc::bad_file_descriptor);
    // Appending writes at the end as it is now, wherever the file was left by others.
    if (append_ && !::SetFilePointerEx(h_, LARGE_INTEGER{}, nullptr, FILE_END))
      return lastWindowsError();
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      DWORD n = 0;
      if (!::WriteFile(h_, p, static_cast<DWORD>(std::min(size, MaxChunk)), &n, nullptr))
        return lastWindowsError();
      if (n == 0) // no progress and no error: treat like a full device
        return std::make_error_code(std::errc::no_space_on_device);
      p += n;
      size -= n;
    }
    return {};
  }
  std::error_code sync() override {
    if (h_ == INVALID_HANDLE_VALUE)
      return std::make_error_code(std::errc::bad_file_descriptor);
    if (!::FlushFileBuffers(h_))
      return lastWindowsError();
    return {};
  }
  std::error_code close() override {
    if (h_ == INVALID_HANDLE_VALUE)
      return std::make_error_code(std::errc::bad_file_descriptor);
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE; // gone even when CloseHandle reports an error
    if (!::CloseHandle(h))
      return lastWindowsError();
    return {};
  }

private:
  HANDLE h_;
  bool append_;
};

class WindowsFileSystem final : public DiskFileSystem {
public:
  std::error_code openRead(const std::filesystem::path& path,
                           std::unique_ptr<ReadableFile>& file) override {
    file.reset();
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, ShareAll, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
      return openError(path);
    file = std::make_unique<WindowsReadable>(h);
    return {};
  }

  std::error_code openWrite(const std::filesystem::path& path, OpenMode mode,
                            std::unique_ptr<WritableFile>& file) override {
    file.reset();
    DWORD access = GENERIC_WRITE;
    DWORD disposition = OPEN_ALWAYS;
    switch (mode) {
    case OpenMode::CreateNew:
      disposition = CREATE_NEW;
      break;
    case OpenMode::Truncate: // emptied below: the file keeps its attributes and permissions
    case OpenMode::Append:
      disposition = OPEN_ALWAYS;
      break;
    case OpenMode::ExistingReadWrite:
      access |= GENERIC_READ;
      disposition = OPEN_EXISTING;
      break;
    }
    HANDLE h = ::CreateFileW(path.c_str(), access, ShareAll, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
      return openError(path);
    if (mode == OpenMode::Truncate && !::SetEndOfFile(h)) {
      const auto ec = lastWindowsError();
      ::CloseHandle(h);
      return ec;
    }
    file = std::make_unique<WindowsWritable>(h, mode == OpenMode::Append);
    return {};
  }

  std::error_code rename(const std::filesystem::path& from,
                         const std::filesystem::path& to) override {
    // A rename would put a regular file in place of a device or a directory.
    switch (kindOf(to, true)) {
    case Kind::Other:
      return FileError::NotRegularFile;
    case Kind::Directory:
      return std::make_error_code(std::errc::is_a_directory);
    default:
      break;
    }
    // Write-through: the call returns once the new name is on the disk.
    if (!::MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return lastWindowsError();
    return {};
  }

  std::error_code checkReplaceable(const std::filesystem::path& path) override {
    const Kind kind = kindOf(path, false);
    if (kind == Kind::Directory || kind == Kind::Other)
      return FileError::NotRegularFile;
    return {}; // missing: created new; unreadable: the replacement itself says why
  }

  std::error_code remove(const std::filesystem::path& path) override {
    if (!::DeleteFileW(path.c_str()))
      return lastWindowsError();
    return {};
  }

  // Windows has no counterpart of syncing a directory: a directory cannot be flushed like a
  // file. The rename is made durable by MOVEFILE_WRITE_THROUGH instead, and a created file's
  // entry by the file system's own metadata journal.
  std::error_code syncDirectory(const std::filesystem::path& /*directory*/) override { return {}; }

  std::filesystem::path resolveLinks(const std::filesystem::path& path) override {
    // Only a path that is itself a link (a reparse point) is resolved, to the file it finally
    // reaches. A link whose file does not exist cannot be resolved on Windows: the link itself
    // is then replaced.
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return path;
    HANDLE h = ::CreateFileW(path.c_str(), 0, ShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
      return path;
    std::wstring target(MAX_PATH, L'\0');
    DWORD n = ::GetFinalPathNameByHandleW(h, target.data(), static_cast<DWORD>(target.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n >= target.size()) { // too small: n is the size needed
      target.resize(n);
      n = ::GetFinalPathNameByHandleW(h, target.data(), static_cast<DWORD>(target.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    ::CloseHandle(h);
    if (n == 0 || n >= target.size())
      return path;
    target.resize(n);
    return target;
  }

  // copyPermissions stays the default (nothing): the temporary file gets the permissions its
  // directory hands to every new file, which is how Windows shares files; a read-only target
  // is refused before anything is written (checkTarget) or by the rename.
};

} // namespace

FileSystem& realFileSystem() {
  // Stateless, so one shared instance is no hidden state.
  static WindowsFileSystem fs;
  return fs;
}

} // namespace zv
