// The shared part of the file layer: error category, FileWriter, MemoryFile, FaultyFileSystem.
#include "platform/zv_fileio.hpp"

#include <algorithm>

namespace zv {

namespace {

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
