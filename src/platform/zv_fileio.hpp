#pragma once
// The file layer: every file the program reads or writes goes through a FileSystem.
//
//   FileSystem       opens files, renames, removes, syncs directories. Errors come back as
//                    std::error_code in the generic (errno) category; never as exceptions.
//   ReadableFile     sequential reads (read() gives 0 bytes at the end) and seek().
//   WritableFile     write() (all bytes or an error), sync() (fsync), close().
//   FileWriter       a buffered writer over a WritableFile that remembers its first error, so a
//                    producer can write freely and check once at the end.
//   FileReplacement  the one way to replace a file (zv_file_replacement.hpp).
//   realFileSystem() the process's real files (stateless; safe to share).
//   FaultyFileSystem wraps another FileSystem and makes chosen calls fail (write-protected file,
//                    disk full, failing fsync or rename, a "crash" after n changes), so tests can
//                    drive every failure path even as root, where chmod protects nothing.
//   MemoryFile       a ReadableFile over bytes in memory (fuzz targets, tests).
//
// realFileSystem() has one implementation per system: zv_fileio_posix.cpp (file descriptors,
// fsync, rename) and zv_fileio_windows.cpp (handles on wide-character paths, FlushFileBuffers,
// MoveFileExW with write-through). Only one of them is built; the rest here is shared.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace zv {

// Errors of the file layer that have no number of the C library.
enum class FileError {
  NotRegularFile = 1 // a device, pipe, socket or directory where a file is to be replaced
};
const std::error_category& fileErrorCategory();
inline std::error_code make_error_code(FileError e) {
  return {static_cast<int>(e), fileErrorCategory()};
}

} // namespace zv

template <> struct std::is_error_code_enum<zv::FileError> : std::true_type {};

namespace zv {

class ReadableFile {
public:
  virtual ~ReadableFile() = default;
  // Reads up to size bytes; got is 0 only at the end of the file.
  virtual std::error_code read(void* buffer, std::size_t size, std::size_t& got) = 0;
  // Moves the read position to an absolute offset.
  virtual std::error_code seek(std::uint64_t offset) = 0;
};

class WritableFile {
public:
  // Destroying an unclosed file closes it and ignores any error; call close() to see it.
  virtual ~WritableFile() = default;
  // Writes all bytes or fails; a partial write is reported as the error that stopped it.
  virtual std::error_code write(const void* data, std::size_t size) = 0;
  // Forces the written data to the disk (fsync).
  virtual std::error_code sync() = 0;
  // Closes the file; further calls fail. Errors of delayed writes show up here.
  virtual std::error_code close() = 0;
};

enum class OpenMode {
  CreateNew,        // create; fails with file_exists when the name is taken
  Truncate,         // create or empty an existing file
  Append,           // create or append to the end
  ExistingReadWrite // open an existing file for reading and writing without changing it
};

class FileSystem {
public:
  virtual ~FileSystem() = default;
  virtual std::error_code openRead(const std::filesystem::path& path,
                                   std::unique_ptr<ReadableFile>& file) = 0;
  virtual std::error_code openWrite(const std::filesystem::path& path, OpenMode mode,
                                    std::unique_ptr<WritableFile>& file) = 0;
  // Renames from over to, replacing an existing target in one atomic step.
  virtual std::error_code rename(const std::filesystem::path& from,
                                 const std::filesystem::path& to) = 0;
  // Removes a file; no_such_file_or_directory when there was none.
  virtual std::error_code remove(const std::filesystem::path& path) = 0;
  // Makes a completed rename or creation in the directory durable.
  virtual std::error_code syncDirectory(const std::filesystem::path& directory) = 0;
  virtual std::error_code createDirectories(const std::filesystem::path& directory) = 0;
  virtual bool exists(const std::filesystem::path& path) = 0;
  virtual std::error_code fileSize(const std::filesystem::path& path, std::uint64_t& size) = 0;
  // The file a path names once symbolic links are followed; the path itself when it is no
  // link. Replacing a linked file replaces that file and keeps the link.
  virtual std::filesystem::path resolveLinks(const std::filesystem::path& path) { return path; }
  // NotRegularFile when path exists (links followed) and is no regular file: only regular
  // files are ever replaced, never a device, a pipe or a directory a link points to.
  virtual std::error_code checkReplaceable(const std::filesystem::path& /*path*/) { return {}; }
  // Gives `to` the permission bits of `from`, so a replaced file keeps its mode.
  virtual std::error_code copyPermissions(const std::filesystem::path& /*from*/,
                                          const std::filesystem::path& /*to*/) {
    return {};
  }
};

// The real file system of the process.
FileSystem& realFileSystem();

// Buffered output. Writes go to the buffer; a full buffer is written to the file. After the
// first error nothing more is written and error() keeps that first error.
class FileWriter {
public:
  explicit FileWriter(WritableFile& file, std::size_t bufferSize = 16384);
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;

  void write(const char* data, std::size_t size) {
    if (size == 0)
      return;
    if (size <= buffer_.size() - used_) {
      std::memcpy(buffer_.data() + used_, data, size);
      used_ += size;
    } else {
      writeSlow(data, size);
    }
  }
  void write(std::string_view text) { write(text.data(), text.size()); }
  void put(char c) {
    if (used_ == buffer_.size())
      drain();
    buffer_[used_++] = c;
  }
  // Hands the buffered bytes to the file (no fsync).
  std::error_code flush();
  std::error_code error() const { return error_; }
  // Bytes accepted so far, buffered or written.
  std::uint64_t bytesWritten() const { return flushed_ + used_; }

private:
  void writeSlow(const char* data, std::size_t size);
  void drain();

  WritableFile& file_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  std::uint64_t flushed_ = 0;
  std::error_code error_;
};

// A read-only file over bytes that the caller keeps alive. maxChunk limits the bytes one
// read() returns, so readers can be tested at every chunk boundary.
class MemoryFile final : public ReadableFile {
public:
  explicit MemoryFile(std::string_view bytes, std::size_t maxChunk = SIZE_MAX)
      : bytes_(bytes), maxChunk_(maxChunk == 0 ? 1 : maxChunk) {}
  std::error_code read(void* buffer, std::size_t size, std::size_t& got) override;
  std::error_code seek(std::uint64_t offset) override;

private:
  std::string_view bytes_;
  std::size_t maxChunk_;
  std::size_t pos_ = 0;
};

// A FileSystem that passes everything to another one, except the calls a test has told it to
// fail. Faults are checked in the order they were added; the first matching one applies.
class FaultyFileSystem final : public FileSystem {
public:
  enum class Op {
    OpenRead,
    OpenWrite,
    Read,
    Write,
    Sync,
    Close,
    Rename,
    Remove,
    SyncDirectory,
    CreateDirectories
  };
  struct Call {
    Op op;
    std::filesystem::path path; // for Rename the source; target is in `to`
    std::filesystem::path to;
    std::error_code result;
  };

  explicit FaultyFileSystem(FileSystem& inner = realFileSystem()) : inner_(inner) {}

  // Fails calls of op with error. A non-empty pathContains limits the fault to paths whose
  // text contains it (for Rename: source or target). The first `skip` matching calls pass;
  // then `times` calls fail (a negative count: all further calls).
  void failOn(Op op, std::errc error, std::string pathContains = {}, int skip = 0, int times = -1);
  // Writes fail with no_space_on_device once `bytes` bytes in total were written.
  void diskFullAfter(std::uint64_t bytes);
  // The file behaves as write-protected: opening it for writing, removing it and renaming
  // onto it fail with permission_denied.
  void writeProtect(const std::filesystem::path& path);
  // Simulates the process dying: after `changes` further successful changing calls (open for
  // writing, write, sync, close, rename, remove), every call fails with io_error, cleanup
  // included, so the files stay exactly as a crash at that point would leave them.
  void haltAfter(int changes);
  void clearFaults();

  const std::vector<Call>& calls() const { return calls_; }
  void clearCalls() { calls_.clear(); }
  std::uint64_t totalBytesWritten() const { return written_; }

  std::error_code openRead(const std::filesystem::path& path,
                           std::unique_ptr<ReadableFile>& file) override;
  std::error_code openWrite(const std::filesystem::path& path, OpenMode mode,
                            std::unique_ptr<WritableFile>& file) override;
  std::error_code rename(const std::filesystem::path& from,
                         const std::filesystem::path& to) override;
  std::error_code remove(const std::filesystem::path& path) override;
  std::error_code syncDirectory(const std::filesystem::path& directory) override;
  std::error_code createDirectories(const std::filesystem::path& directory) override;
  bool exists(const std::filesystem::path& path) override { return inner_.exists(path); }
  std::error_code fileSize(const std::filesystem::path& path, std::uint64_t& size) override {
    return inner_.fileSize(path, size);
  }
  std::filesystem::path resolveLinks(const std::filesystem::path& path) override {
    return inner_.resolveLinks(path);
  }
  std::error_code copyPermissions(const std::filesystem::path& from,
                                  const std::filesystem::path& to) override {
    return inner_.copyPermissions(from, to);
  }
  std::error_code checkReplaceable(const std::filesystem::path& path) override {
    return inner_.checkReplaceable(path);
  }

private:
  class Readable;
  class Writable;
  struct Fault {
    Op op;
    std::errc error;
    std::string pathContains;
    int skip;
    int times;
  };

  // The injected error for this call, or none; counts the call against skip/times.
  std::error_code injected(Op op, const std::filesystem::path& path,
                           const std::filesystem::path& to = {});
  bool isProtected(const std::filesystem::path& path) const;
  std::error_code record(Op op, const std::filesystem::path& path, std::error_code result,
                         const std::filesystem::path& to = {});
  // Counts a successful change towards haltAfter().
  void countChange(std::error_code result);

  FileSystem& inner_;
  std::vector<Fault> faults_;
  std::vector<std::filesystem::path> protected_;
  std::vector<Call> calls_;
  std::uint64_t diskLimit_ = UINT64_MAX;
  std::uint64_t written_ = 0;
  int changesLeft_ = -1; // -1: no halt planned
  bool halted_ = false;
};

} // namespace zv
