#pragma once
// The one way the program replaces a file. The new content goes into a temporary file in the
// target's directory; once it is complete it is flushed, fsynced and closed, given the old
// file's permission bits, renamed over the target in one step, and the directory is synced.
// At every instant the target is the complete old file or the complete new one; on any failure
// the temporary file is removed and the target is left as it was.
//
// A target that is a symbolic link has the file it points to replaced (the link stays), and
// only regular files are replaced: a path that leads to a device, a pipe or a directory is
// refused before anything is written.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <system_error>

#include "platform/zv_fileio.hpp"

namespace zv {

// Where a replacement stopped. Done means the step asked for succeeded.
enum class ReplaceStep {
  Done,
  CheckTarget,  // the target is not writable (see ReplaceOptions::checkTarget)
  NoTempName,   // every temporary name candidate is taken
  CreateTemp,   // the temporary file could not be created
  Produce,      // writing the content failed (or the producer reported an error)
  Flush,        // the fsync or close of the temporary file failed
  BeforeRename, // ReplaceOptions::beforeRename refused
  Rename        // the temporary file could not be renamed over the target
};

struct ReplaceResult {
  ReplaceStep step = ReplaceStep::Done;
  std::error_code error;
  bool ok() const { return step == ReplaceStep::Done; }
};

struct ReplaceOptions {
  // A name of the program's own for the temporary file, in the target's directory. Only one
  // instance of the program runs, so a file left under it can only be the remains of an
  // interrupted save: it is emptied and reused, and leftovers never pile up.
  std::string tempName;
  // Without tempName: names prefix + n + extension for n = 0 .. tempCandidates - 1; the first
  // that does not exist yet is created exclusively (other programs may write beside us).
  // reuseLeftover uses only the first of them, as tempName does.
  std::string tempPrefix = "tmp$$";
  std::string tempExtension = ".tmp";
  int tempCandidates = 1000;
  bool reuseLeftover = false;
  std::size_t bufferSize = 16384;
  // Refuse with CheckTarget when an existing target cannot be opened for reading and writing
  // (write-protected), or, for a missing target, when nothing can be created in its directory
  // (missing or protected directory). Otherwise those show up as CreateTemp.
  bool checkTarget = true;
  // replaceFile() only: called with the complete, closed temporary file just before it is
  // renamed over the target; an error abandons the replacement (BeforeRename).
  std::function<std::error_code(const std::filesystem::path& temp)> beforeRename;
};

// One replacement as a stream: open(), write() as often as needed, finish() (the temporary
// file is complete and durable), then commit() (it becomes the target) or abort(). Destroying
// an uncommitted replacement aborts it.
class FileReplacement {
public:
  explicit FileReplacement(FileSystem& fs) : fs_(fs) {}
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  ~FileReplacement() { abort(); }

  // Checks the target and creates the temporary file; a replacement still open is aborted.
  ReplaceResult open(const std::filesystem::path& target, const ReplaceOptions& options);
  // Buffered; the first write error is kept and reported by finish(). Only while open.
  void write(const void* data, std::size_t size) {
    writer_->write(static_cast<const char*>(data), size);
  }
  FileWriter& writer() { return *writer_; }
  // The first write error so far (a full disk shows here once the buffer went out).
  std::error_code writeError() const { return writer_ ? writer_->error() : std::error_code{}; }
  // Writes out the buffer (Produce), fsyncs and closes the temporary file (Flush). On failure
  // the replacement is aborted.
  ReplaceResult finish();
  // finish() when not done yet, then the rename over the target (Rename) and the directory
  // sync. On failure the replacement is aborted.
  ReplaceResult commit();
  // Drops the temporary file; the result is the error of removing it (none when there was
  // nothing to remove).
  std::error_code abort();

  bool isOpen() const { return !temp_.empty(); }
  bool isFinished() const { return finished_; }
  const std::filesystem::path& target() const { return target_; }
  const std::filesystem::path& tempPath() const { return temp_; }

private:
  ReplaceResult createTemp(const ReplaceOptions& options, bool targetExists);
  ReplaceResult fail(ReplaceStep step, std::error_code error);

  FileSystem& fs_;
  std::filesystem::path target_;
  std::filesystem::path temp_;
  std::unique_ptr<WritableFile> file_;
  std::unique_ptr<FileWriter> writer_;
  bool targetExists_ = false;
  bool finished_ = false;
};

// Produces the content. Return a non-zero error to abandon the replacement; write errors of
// the FileWriter are picked up by replaceFile() itself.
using ContentProducer = std::function<std::error_code(FileWriter&)>;

// A whole replacement in one call: open, produce, finish, beforeRename, commit.
ReplaceResult replaceFile(FileSystem& fs, const std::filesystem::path& target,
                          const ReplaceOptions& options, const ContentProducer& produce);

// Replaces target with a copy of source, the same way; a failed copy leaves no half file.
std::error_code replaceWithCopy(FileSystem& fs, const std::filesystem::path& source,
                                const std::filesystem::path& target);

} // namespace zv
