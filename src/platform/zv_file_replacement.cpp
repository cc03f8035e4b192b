#include "platform/zv_file_replacement.hpp"
#include "platform/zv_path_bytes.hpp"

#include <new>

namespace zv {

namespace {

// An existing target must open for reading and writing. A missing one is not probed by
// creating it (a crash right then would leave an empty file where there was none); creating
// the temporary file in the same directory answers the same question.
std::error_code checkExistingTarget(FileSystem& fs, const std::filesystem::path& target) {
  std::unique_ptr<WritableFile> probe;
  if (auto ec = fs.openWrite(target, OpenMode::ExistingReadWrite, probe))
    return ec;
  return probe->close();
}

} // namespace

ReplaceResult FileReplacement::open(const std::filesystem::path& named,
                                    const ReplaceOptions& options) {
  abort();
  const std::filesystem::path target = fs_.resolveLinks(named);
  if (auto ec = fs_.checkReplaceable(target))
    return {ReplaceStep::CheckTarget, ec};
  const bool targetExists = fs_.exists(target);
  if (options.checkTarget && targetExists) {
    if (auto ec = checkExistingTarget(fs_, target))
      return {ReplaceStep::CheckTarget, ec};
  }
  target_ = target;
  targetExists_ = targetExists;
  if (ReplaceResult r = createTemp(options, targetExists); !r.ok())
    return r;
  writer_ = std::make_unique<FileWriter>(*file_, options.bufferSize);
  finished_ = false;
  return {};
}

ReplaceResult FileReplacement::createTemp(const ReplaceOptions& options, bool targetExists) {
  const std::filesystem::path directory = target_.parent_path();
  const bool own = !options.tempName.empty() || options.reuseLeftover;
  const int candidates = own ? 1 : options.tempCandidates;
  const OpenMode mode = own ? OpenMode::Truncate : OpenMode::CreateNew;
  for (int n = 0; n < candidates; ++n) {
    const std::filesystem::path temp =
        directory /
        pathFromBytes(options.tempName.empty()
                          ? options.tempPrefix + std::to_string(n) + options.tempExtension
                          : options.tempName);
    const std::error_code ec = fs_.openWrite(temp, mode, file_);
    if (!ec) {
      temp_ = temp;
      return {};
    }
    if (ec != std::errc::file_exists)
      return {options.checkTarget && !targetExists ? ReplaceStep::CheckTarget
                                                   : ReplaceStep::CreateTemp,
              ec};
  }
  return {ReplaceStep::NoTempName, std::make_error_code(std::errc::file_exists)};
}

ReplaceResult FileReplacement::fail(ReplaceStep step, std::error_code error) {
  abort();
  return {step, error};
}

ReplaceResult FileReplacement::finish() {
  if (!isOpen())
    return {ReplaceStep::CreateTemp, std::make_error_code(std::errc::bad_file_descriptor)};
  if (finished_)
    return {};
  if (auto ec = writer_->flush())
    return fail(ReplaceStep::Produce, ec);
  writer_.reset();
  if (auto ec = file_->sync())
    return fail(ReplaceStep::Flush, ec);
  if (auto ec = file_->close())
    return fail(ReplaceStep::Flush, ec);
  file_.reset();
  finished_ = true;
  return {};
}

ReplaceResult FileReplacement::commit() {
  if (ReplaceResult r = finish(); !r.ok())
    return r;
  // The new file takes the old one's mode (a file shared with a group stays shared); where
  // that is not possible it keeps the mode new files get.
  if (targetExists_)
    fs_.copyPermissions(target_, temp_);
  if (auto ec = fs_.rename(temp_, target_))
    return fail(ReplaceStep::Rename, ec);
  // The new file is complete and in place; a directory that cannot be synced (some file
  // systems refuse) does not make the replacement a failure.
  fs_.syncDirectory(target_.parent_path());
  temp_.clear();
  finished_ = false;
  return {};
}

std::error_code FileReplacement::abort() {
  writer_.reset();
  file_.reset(); // closes the descriptor if still open
  std::error_code removed;
  if (!temp_.empty()) {
    removed = fs_.remove(temp_);
    if (removed == std::errc::no_such_file_or_directory)
      removed.clear();
  }
  temp_.clear();
  finished_ = false;
  return removed;
}

ReplaceResult replaceFile(FileSystem& fs, const std::filesystem::path& target,
                          const ReplaceOptions& options, const ContentProducer& produce) {
  FileReplacement replacement(fs);
  if (ReplaceResult r = replacement.open(target, options); !r.ok())
    return r;
  std::error_code ec;
  try {
    ec = produce(replacement.writer());
  } catch (const std::bad_alloc&) {
    ec = std::make_error_code(std::errc::not_enough_memory);
  }
  if (!ec)
    ec = replacement.writeError();
  if (ec) {
    replacement.abort();
    return {ReplaceStep::Produce, ec};
  }
  if (ReplaceResult r = replacement.finish(); !r.ok())
    return r;
  if (options.beforeRename) {
    if (auto refused = options.beforeRename(replacement.tempPath())) {
      replacement.abort();
      return {ReplaceStep::BeforeRename, refused};
    }
  }
  return replacement.commit();
}

std::error_code replaceWithCopy(FileSystem& fs, const std::filesystem::path& source,
                                const std::filesystem::path& target) {
  std::unique_ptr<ReadableFile> in;
  if (auto ec = fs.openRead(source, in))
    return ec;
  const ReplaceResult r = replaceFile(fs, target, ReplaceOptions{}, [&](FileWriter& out) {
    char buffer[16384];
    for (;;) {
      std::size_t got = 0;
      if (auto ec = in->read(buffer, sizeof buffer, got))
        return ec;
      if (got == 0)
        return std::error_code();
      out.write(buffer, got);
    }
  });
  return r.error;
}

} // namespace zv
