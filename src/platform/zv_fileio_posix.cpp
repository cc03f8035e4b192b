// The file layer on POSIX systems: open/read/write/fsync/rename on file descriptors.
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/zv_disk_file_system.hpp"
#include "platform/zv_fileio.hpp"

namespace zv {

namespace {

std::error_code lastError() {
  return {errno, std::generic_category()};
}

class PosixReadable final : public ReadableFile {
public:
  explicit PosixReadable(int fd) : fd_(fd) {}
  ~PosixReadable() override { ::close(fd_); }
  PosixReadable(const PosixReadable&) = delete;
  PosixReadable& operator=(const PosixReadable&) = delete;

  std::error_code read(void* buffer, std::size_t size, std::size_t& got) override {
    got = 0;
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, size);
      if (n >= 0) {
        got = static_cast<std::size_t>(n);
        return {};
      }
      if (errno != EINTR)
        return lastError();
    }
  }
  std::error_code seek(std::uint64_t offset) override {
    if (offset > static_cast<std::uint64_t>(INT64_MAX))
      return std::make_error_code(std::errc::invalid_argument);
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0)
      return lastError();
    return {};
  }

private:
  int fd_;
};

class PosixWritable final : public WritableFile {
public:
  explicit PosixWritable(int fd) : fd_(fd) {}
  ~PosixWritable() override {
    if (fd_ >= 0)
      ::close(fd_);
  }
  PosixWritable(const PosixWritable&) = delete;
  PosixWritable& operator=(const PosixWritable&) = delete;

  std::error_code write(const void* data, std::size_t size) override {
    if (fd_ < 0)
      return std::make_error_code(std::errc::bad_file_descriptor);
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      const ssize_t n = ::write(fd_, p, size);
      if (n < 0) {
        if (errno == EINTR)
          continue;
        return lastError();
      }
      if (n == 0) // no progress and no error: treat like a full device
        return std::make_error_code(std::errc::no_space_on_device);
      p += n;
      size -= static_cast<std::size_t>(n);
    }
    return {};
  }
  std::error_code sync() override {
    if (fd_ < 0)
      return std::make_error_code(std::errc::bad_file_descriptor);
    while (::fsync(fd_) != 0) {
      if (errno != EINTR)
        return lastError();
    }
    return {};
  }
  std::error_code close() override {
    if (fd_ < 0)
      return std::make_error_code(std::errc::bad_file_descriptor);
    const int fd = fd_;
    fd_ = -1;
    // The descriptor is gone even when close reports an error; never retry it.
    if (::close(fd) != 0 && errno != EINTR)
      return lastError();
    return {};
  }

private:
  int fd_;
};

class PosixFileSystem final : public DiskFileSystem {
public:
  std::error_code openRead(const std::filesystem::path& path,
                           std::unique_ptr<ReadableFile>& file) override {
    file.reset();
    int fd;
    do {
      fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
      return lastError();
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      return std::make_error_code(std::errc::is_a_directory);
    }
    file = std::make_unique<PosixReadable>(fd);
    return {};
  }

  std::error_code openWrite(const std::filesystem::path& path, OpenMode mode,
                            std::unique_ptr<WritableFile>& file) override {
    file.reset();
    int flags = O_CLOEXEC;
    switch (mode) {
    case OpenMode::CreateNew:
      flags |= O_WRONLY | O_CREAT | O_EXCL;
      break;
    case OpenMode::Truncate:
      flags |= O_WRONLY | O_CREAT | O_TRUNC;
      break;
    case OpenMode::Append:
      flags |= O_WRONLY | O_CREAT | O_APPEND;
      break;
    case OpenMode::ExistingReadWrite:
      flags |= O_RDWR;
      break;
    }
    int fd;
    do {
      fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
      return lastError();
    file = std::make_unique<PosixWritable>(fd);
    return {};
  }

  std::error_code rename(const std::filesystem::path& from,
                         const std::filesystem::path& to) override {
    // A rename would put a regular file in place of a device or pipe node.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode) &&
        !S_ISDIR(st.st_mode))
      return FileError::NotRegularFile;
    if (::rename(from.c_str(), to.c_str()) != 0)
      return lastError();
    return {};
  }

  std::error_code checkReplaceable(const std::filesystem::path& path) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
      return {}; // missing: created new; unreadable: the replacement itself says why
    if (!S_ISREG(st.st_mode))
      return FileError::NotRegularFile;
    return {};
  }

  std::error_code remove(const std::filesystem::path& path) override {
    if (::unlink(path.c_str()) != 0)
      return lastError();
    return {};
  }

  std::error_code syncDirectory(const std::filesystem::path& directory) override {
    const std::filesystem::path dir = directory.empty() ? std::filesystem::path(".") : directory;
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
      return lastError();
    std::error_code result;
    if (::fsync(fd) != 0)
      result = lastError();
    ::close(fd);
    return result;
  }

  std::filesystem::path resolveLinks(const std::filesystem::path& path) override {
    // Followed link by link, so a link to a file that does not exist yet names that file.
    std::filesystem::path p = path;
    std::error_code ec;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(p, ec); ++hops) {
      const auto to = std::filesystem::read_symlink(p, ec);
      if (ec)
        return path;
      p = (to.is_absolute() ? to : p.parent_path() / to).lexically_normal();
    }
    return p;
  }

  std::error_code copyPermissions(const std::filesystem::path& from,
                                  const std::filesystem::path& to) override {
    struct stat st {};
    if (::stat(from.c_str(), &st) != 0)
      return lastError();
    if (::chmod(to.c_str(), st.st_mode & 07777) != 0)
      return lastError();
    return {};
  }
};

} // namespace

FileSystem& realFileSystem() {
  // Stateless, so one shared instance is no hidden state.
  static PosixFileSystem fs;
  return fs;
}

} // namespace zv
