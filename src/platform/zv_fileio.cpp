#include "platform/zv_fileio.hpp"

#include <algorithm>
#include <cerrno>

#if defined(_WIN32)
#error "zv_fileio.cpp: the Windows file layer is not written yet (see the header)"
#endif

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

class PosixFileSystem final : public FileSystem {
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

class FileErrorCategory final : public std::error_category {
public:
  const char* name() const noexcept override { return "zarvik file"; }
  std::string message(int value) const override {
    if (value == static_cast<int>(FileError::NotRegularFile))
      return "Not a regular file";
    return "Unknown file error";
  }
};

} // namespace

const std::error_category& fileErrorCategory() {
  static const FileErrorCategory category;
  return category;
}

FileSystem& realFileSystem() {
  // Stateless, so one shared instance is no hidden state.
  static PosixFileSystem fs;
  return fs;
}

// ---------------------------------------------------------------------------------------------
// FileWriter

FileWriter::FileWriter(WritableFile& file, std::size_t bufferSize)
    : file_(file), buffer_(std::max<std::size_t>(bufferSize, 1)) {}

void FileWriter::drain() {
  if (used_ > 0 && !error_)
    error_ = file_.write(buffer_.data(), used_);
  flushed_ += used_;
  used_ = 0;
}

void FileWriter::writeSlow(const char* data, std::size_t size) {
  // Fill the buffer, then pass big blocks straight through.
  const std::size_t room = buffer_.size() - used_;
  std::memcpy(buffer_.data() + used_, data, room);
  used_ += room;
  data += room;
  size -= room;
  drain();
  if (size >= buffer_.size()) {
    if (!error_)
      error_ = file_.write(data, size);
    flushed_ += size;
    return;
  }
  std::memcpy(buffer_.data(), data, size);
  used_ = size;
}

std::error_code FileWriter::flush() {
  drain();
  return error_;
}

// ---------------------------------------------------------------------------------------------
// MemoryFile

std::error_code MemoryFile::read(void* buffer, std::size_t size, std::size_t& got) {
  got = 0;
  if (pos_ >= bytes_.size())
    return {};
  got = std::min({size, maxChunk_, bytes_.size() - pos_});
  std::memcpy(buffer, bytes_.data() + pos_, got);
  pos_ += got;
  return {};
}

std::error_code MemoryFile::seek(std::uint64_t offset) {
  pos_ = offset > SIZE_MAX ? SIZE_MAX : static_cast<std::size_t>(offset);
  return {};
}

// ---------------------------------------------------------------------------------------------
// FaultyFileSystem

class FaultyFileSystem::Readable final : public ReadableFile {
public:
  Readable(FaultyFileSystem& fs, std::filesystem::path path, std::unique_ptr<ReadableFile> inner)
      : fs_(fs), path_(std::move(path)), inner_(std::move(inner)) {}
  std::error_code read(void* buffer, std::size_t size, std::size_t& got) override {
    got = 0;
    if (auto ec = fs_.injected(Op::Read, path_))
      return fs_.record(Op::Read, path_, ec);
    return fs_.record(Op::Read, path_, inner_->read(buffer, size, got));
  }
  std::error_code seek(std::uint64_t offset) override {
    if (auto ec = fs_.injected(Op::Read, path_))
      return fs_.record(Op::Read, path_, ec);
    return inner_->seek(offset);
  }

private:
  FaultyFileSystem& fs_;
  std::filesystem::path path_;
  std::unique_ptr<ReadableFile> inner_;
};

class FaultyFileSystem::Writable final : public WritableFile {
public:
  Writable(FaultyFileSystem& fs, std::filesystem::path path, std::unique_ptr<WritableFile> inner)
      : fs_(fs), path_(std::move(path)), inner_(std::move(inner)) {}
  std::error_code write(const void* data, std::size_t size) override {
    if (auto ec = fs_.injected(Op::Write, path_))
      return fs_.record(Op::Write, path_, ec);
    std::error_code result;
    if (fs_.written_ + size > fs_.diskLimit_) {
      // Write what still fits, then report the full disk, as a real device does.
      const std::uint64_t fits = fs_.diskLimit_ > fs_.written_ ? fs_.diskLimit_ - fs_.written_ : 0;
      if (fits > 0 && !inner_->write(data, static_cast<std::size_t>(fits)))
        fs_.written_ += fits;
      result = std::make_error_code(std::errc::no_space_on_device);
    } else {
      result = inner_->write(data, size);
      if (!result)
        fs_.written_ += size;
    }
    fs_.countChange(result);
    return fs_.record(Op::Write, path_, result);
  }
  std::error_code sync() override {
    if (auto ec = fs_.injected(Op::Sync, path_))
      return fs_.record(Op::Sync, path_, ec);
    const auto ec = inner_->sync();
    fs_.countChange(ec);
    return fs_.record(Op::Sync, path_, ec);
  }
  std::error_code close() override {
    if (auto ec = fs_.injected(Op::Close, path_)) {
      inner_->close(); // the descriptor is released even when close reports an error
      return fs_.record(Op::Close, path_, ec);
    }
    const auto ec = inner_->close();
    fs_.countChange(ec);
    return fs_.record(Op::Close, path_, ec);
  }

private:
  FaultyFileSystem& fs_;
  std::filesystem::path path_;
  std::unique_ptr<WritableFile> inner_;
};

void FaultyFileSystem::failOn(Op op, std::errc error, std::string pathContains, int skip,
                              int times) {
  faults_.push_back({op, error, std::move(pathContains), std::max(skip, 0), times});
}

void FaultyFileSystem::diskFullAfter(std::uint64_t bytes) {
  diskLimit_ = written_ + bytes;
}

void FaultyFileSystem::writeProtect(const std::filesystem::path& path) {
  protected_.push_back(path.lexically_normal());
}

void FaultyFileSystem::haltAfter(int changes) {
  changesLeft_ = std::max(changes, 0);
  halted_ = changesLeft_ == 0;
}

void FaultyFileSystem::clearFaults() {
  faults_.clear();
  protected_.clear();
  diskLimit_ = UINT64_MAX;
  changesLeft_ = -1;
  halted_ = false;
}

bool FaultyFileSystem::isProtected(const std::filesystem::path& path) const {
  const auto normal = path.lexically_normal();
  return std::find(protected_.begin(), protected_.end(), normal) != protected_.end();
}

std::error_code FaultyFileSystem::injected(Op op, const std::filesystem::path& path,
                                           const std::filesystem::path& to) {
  if (halted_)
    return std::make_error_code(std::errc::io_error);
  const bool protectedTarget = (op == Op::OpenWrite || op == Op::Remove) ? isProtected(path)
                               : op == Op::Rename                        ? isProtected(to)
                                                                         : false;
  if (protectedTarget)
    return std::make_error_code(std::errc::permission_denied);
  for (Fault& fault : faults_) {
    if (fault.op != op || fault.times == 0)
      continue;
    if (!fault.pathContains.empty() &&
        path.string().find(fault.pathContains) == std::string::npos &&
        to.string().find(fault.pathContains) == std::string::npos)
      continue;
    if (fault.skip > 0) {
      --fault.skip;
      return {};
    }
    if (fault.times > 0)
      --fault.times;
    return std::make_error_code(fault.error);
  }
  return {};
}

std::error_code FaultyFileSystem::record(Op op, const std::filesystem::path& path,
                                         std::error_code result, const std::filesystem::path& to) {
  calls_.push_back({op, path, to, result});
  return result;
}

void FaultyFileSystem::countChange(std::error_code result) {
  if (result || changesLeft_ <= 0)
    return;
  if (--changesLeft_ == 0)
    halted_ = true;
}

std::error_code FaultyFileSystem::openRead(const std::filesystem::path& path,
                                           std::unique_ptr<ReadableFile>& file) {
  file.reset();
  if (auto ec = injected(Op::OpenRead, path))
    return record(Op::OpenRead, path, ec);
  std::unique_ptr<ReadableFile> inner;
  const auto ec = inner_.openRead(path, inner);
  if (!ec)
    file = std::make_unique<Readable>(*this, path, std::move(inner));
  return record(Op::OpenRead, path, ec);
}

std::error_code FaultyFileSystem::openWrite(const std::filesystem::path& path, OpenMode mode,
                                            std::unique_ptr<WritableFile>& file) {
  file.reset();
  if (auto ec = injected(Op::OpenWrite, path))
    return record(Op::OpenWrite, path, ec);
  std::unique_ptr<WritableFile> inner;
  const auto ec = inner_.openWrite(path, mode, inner);
  if (!ec)
    file = std::make_unique<Writable>(*this, path, std::move(inner));
  countChange(ec);
  return record(Op::OpenWrite, path, ec);
}

std::error_code FaultyFileSystem::rename(const std::filesystem::path& from,
                                         const std::filesystem::path& to) {
  if (auto ec = injected(Op::Rename, from, to))
    return record(Op::Rename, from, ec, to);
  const auto ec = inner_.rename(from, to);
  countChange(ec);
  return record(Op::Rename, from, ec, to);
}

std::error_code FaultyFileSystem::remove(const std::filesystem::path& path) {
  if (auto ec = injected(Op::Remove, path))
    return record(Op::Remove, path, ec);
  const auto ec = inner_.remove(path);
  countChange(ec);
  return record(Op::Remove, path, ec);
}

std::error_code FaultyFileSystem::syncDirectory(const std::filesystem::path& directory) {
  if (auto ec = injected(Op::SyncDirectory, directory))
    return record(Op::SyncDirectory, directory, ec);
  return record(Op::SyncDirectory, directory, inner_.syncDirectory(directory));
}

std::error_code FaultyFileSystem::createDirectories(const std::filesystem::path& directory) {
  if (auto ec = injected(Op::CreateDirectories, directory))
    return record(Op::CreateDirectories, directory, ec);
  const auto ec = inner_.createDirectories(directory);
  countChange(ec);
  return record(Op::CreateDirectories, directory, ec);
}

} // namespace zv
