#include "support/zv_backup_journal.hpp"

#include <cstring>

#include "platform/zv_latin1.hpp"
#include "platform/zv_path_bytes.hpp"
#include "support/zv_graphfile_store.hpp"

namespace zv {

namespace {

constexpr char FileMagic[8] = {'Z', 'V', 'B', 'A', 'C', 'K', 'U', 'P'};
constexpr std::uint32_t FrameMagic = 0x424F565Au; // "ZVOB"
constexpr std::size_t FixedHeaderSize = 32;
constexpr std::uint32_t MaxPathLength = 4096;
constexpr const char* JournalName = "ZARVIK.BAK";

const TextPair ReloadTitle = {"ZARVIK - Backup", "ZARVIK - Sicherung"};
const TextPair ReloadText = {
    "The program was not ended properly last time.\nA backup of the data set\n%s\nwith %d "
    "recorded changes exists.\n\nReload the backup, discard it or end the program?",
    "Das Programm wurde zuletzt nicht ordnungsgemäß beendet.\nEine Sicherung des Datensatzes\n%s\n"
    "mit %d gespeicherten Änderungen ist vorhanden.\n\nSicherung laden, verwerfen oder Programm "
    "beenden?"_l1};
const TextPair DamagedTail = {
    "\n\nThe end of the backup is damaged; the changes before it can be reloaded.",
    "\n\nDas Ende der Sicherung ist beschädigt; die Änderungen davor können geladen werden."_l1};
const TextPair ReloadButton = {"Reload", "Laden"};
const TextPair DiscardButton = {"Discard", "Verwerfen"};
const TextPair EndButton = {"End Program", "Programm beenden"};
const TextPair DiscardText = {
    "Discard the backup?\nThe changes recorded in it are lost.",
    "Sicherung verwerfen?\nDie darin gespeicherten Änderungen gehen verloren."_l1};
const TextPair BackButton = {"Back", "Zurück"_l1};
const TextPair UnusableText = {
    "The backup file cannot be read and is not reloaded. It is kept as\n%s",
    "Die Sicherungsdatei ist nicht lesbar und wird nicht geladen. Sie bleibt erhalten als\n%s"};

std::string fill(const char* format, const std::string& text, long long number = 0) {
  std::string out;
  for (const char* p = format; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      out += text;
      ++p;
    } else if (p[0] == '%' && p[1] == 'd') {
      out += std::to_string(number);
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

} // namespace

BackupJournal::BackupJournal(FileSystem& fs) : fs_(fs) {}

BackupJournal::~BackupJournal() = default;

int BackupJournal::fail(std::error_code ec, int code) {
  lastError_ = ec;
  return code;
}

int BackupJournal::SetBackupDir(const std::filesystem::path& directory) {
  dir_ = directory;
  return 0;
}

std::filesystem::path BackupJournal::GetBackupPath() const {
  return dir_.empty() ? std::filesystem::path() : dir_ / JournalName;
}

std::string BackupJournal::GetBackupVersion() {
  // Language-neutral: the Program Info window shows it in both languages.
  return "ZARVIK.BAK " + std::to_string(BackupFormat);
}

// ---- writing

int BackupJournal::CreateBackup(const std::filesystem::path& dataFilePath) {
  closeWriter();
  if (dir_.empty())
    return BackupNotOpen;
  const std::string pathText = pathBytes(dataFilePath);
  if (pathText.size() > MaxPathLength)
    return BackupTooLarge;

  // The baseline: the data file as it is now.
  std::uint64_t size = 0;
  if (auto ec = fs_.fileSize(dataFilePath, size))
    return fail(ec);
  if (size > BackupMaxBaseline)
    return BackupTooLarge;
  std::string baseline(static_cast<std::size_t>(size), '\0');
  {
    std::unique_ptr<ReadableFile> in;
    if (auto ec = fs_.openRead(dataFilePath, in))
      return fail(ec);
    std::size_t got = 0;
    if (auto ec = readFully(*in, baseline.data(), baseline.size(), got))
      return fail(ec);
    if (got != baseline.size())
      return fail(std::make_error_code(std::errc::io_error));
    char probe = 0;
    if (auto ec = readFully(*in, &probe, 1, got); ec || got != 0)
      return fail(ec ? ec : std::make_error_code(std::errc::io_error)); // grew while read
  }
  const FileStamp stamp{true, size, crc32(baseline.data(), baseline.size())};

  std::vector<unsigned char> head(FixedHeaderSize + pathText.size());
  std::memcpy(head.data(), FileMagic, 8);
  le::putU32(head.data() + 8, BackupFormat);
  le::putU32(head.data() + 12, 1);
  le::putU64(head.data() + 16, stamp.size);
  le::putU32(head.data() + 24, stamp.crc);
  le::putU32(head.data() + 28, static_cast<std::uint32_t>(pathText.size()));
  std::memcpy(head.data() + FixedHeaderSize, pathText.data(), pathText.size());
  std::uint32_t crc = crc32(head.data(), head.size());
  crc = crc32(baseline.data(), baseline.size(), crc);
  unsigned char tail[4];
  le::putU32(tail, crc);

  if (auto ec = fs_.createDirectories(dir_))
    return fail(ec);
  const auto path = GetBackupPath();
  ReplaceOptions options;
  options.tempPrefix = "ZARVIK.BAK.new";
  options.reuseLeftover = true;
  const ReplaceResult r = replaceFile(fs_, path, options, [&](FileWriter& w) {
    w.write(reinterpret_cast<const char*>(head.data()), head.size());
    w.write(baseline.data(), baseline.size());
    w.write(reinterpret_cast<const char*>(tail), 4);
    return std::error_code();
  });
  if (!r.ok())
    return fail(r.error);

  if (auto ec = fs_.openWrite(path, OpenMode::Append, out_)) {
    out_.reset();
    fs_.remove(path); // a journal nobody writes to would only raise a question later
    return fail(ec);
  }
  broken_ = false;
  nextSequence_ = 1;
  inBatch_ = false;
  batch_.clear();
  writingBaseline_ = stamp;
  writingPath_ = path;
  return 0;
}

void BackupJournal::closeWriter() {
  out_.reset();
  writingPath_.clear();
  inBatch_ = false;
  batch_.clear();
  broken_ = false;
  writingBaseline_ = {};
}

int BackupJournal::DeleteBackup() {
  const auto path = writingPath_.empty() ? GetBackupPath() : writingPath_;
  closeWriter();
  if (path.empty())
    return 0;
  if (auto ec = fs_.remove(path); ec && ec != std::errc::no_such_file_or_directory)
    return fail(ec);
  fs_.syncDirectory(path.parent_path());
  return 0;
}

void BackupJournal::FillBackupHeader(BackupObjectHeader& header, std::uint32_t length,
                                     std::uint16_t type, std::uint16_t version,
                                     std::uint16_t sample, std::uint16_t storage,
                                     std::uint16_t measurement) {
  header = {length, type, version, sample, storage, measurement};
}

void BackupJournal::encodeFrame(std::vector<unsigned char>& out, const BackupObjectHeader& header,
                                const void* data, int mode) {
  const std::size_t at = out.size();
  out.resize(at + BackupFrameSize + header.dataLength);
  unsigned char* p = out.data() + at;
  le::putU32(p, FrameMagic);
  le::putU32(p + 4, header.dataLength);
  le::putU16(p + 8, header.type);
  le::putU16(p + 10, header.version);
  le::putU16(p + 12, header.sampleIndex);
  le::putU16(p + 14, header.storageIndex);
  le::putU16(p + 16, header.measurementIndex);
  le::putU16(p + 18, static_cast<std::uint16_t>(mode));
  le::putU32(p + 20, nextSequence_++);
  if (header.dataLength > 0)
    std::memcpy(p + BackupFrameSize, data, header.dataLength);
  std::uint32_t crc = crc32(p + 4, 20);
  crc = crc32(p + BackupFrameSize, header.dataLength, crc);
  le::putU32(p + 24, crc);
}

int BackupJournal::writeAndSync(const std::vector<unsigned char>& bytes) {
  std::error_code ec = out_->write(bytes.data(), bytes.size());
  if (!ec)
    ec = out_->sync();
  if (ec) {
    broken_ = true;
    return fail(ec);
  }
  return 0;
}

int BackupJournal::SaveBackupObject(const BackupObjectHeader& header, const void* data, int mode) {
  if (!out_)
    return BackupNotOpen;
  if (broken_)
    return BackupBroken;
  if (header.dataLength > BackupMaxObject)
    return BackupTooLarge;
  if (header.dataLength > 0 && !data)
    return BackupBadFormat;
  try {
    switch (mode) {
    case backup_mode::BatchOpen:
      batch_.clear();
      inBatch_ = true;
      encodeFrame(batch_, header, data, mode);
      return 0;
    case backup_mode::InBatch:
      if (inBatch_) {
        encodeFrame(batch_, header, data, mode);
        return 0;
      }
      break;
    case backup_mode::BatchClose: {
      encodeFrame(batch_, header, data, mode);
      inBatch_ = false;
      std::vector<unsigned char> bytes;
      bytes.swap(batch_);
      return writeAndSync(bytes);
    }
    default:
      break;
    }
    // A single object; inside an open batch it takes the collected objects along, so the
    // journal keeps the order of the calls.
    std::vector<unsigned char> bytes;
    if (inBatch_)
      bytes.swap(batch_);
    encodeFrame(bytes, header, data, mode);
    return writeAndSync(bytes);
  } catch (const std::bad_alloc&) {
    broken_ = true;
    return fail(std::make_error_code(std::errc::not_enough_memory));
  }
}

// ---- reading

int BackupJournal::OpenBackupFile(const std::filesystem::path& given) {
  CloseBackupFile();
  const auto path = given.empty() ? GetBackupPath() : given;
  if (path.empty())
    return BackupNotOpen;
  std::unique_ptr<ReadableFile> in;
  if (auto ec = fs_.openRead(path, in))
    return fail(ec);
  std::uint64_t size = 0;
  if (auto ec = fs_.fileSize(path, size))
    return fail(ec);

  unsigned char fixed[FixedHeaderSize];
  std::size_t got = 0;
  if (auto ec = readFully(*in, fixed, sizeof fixed, got))
    return fail(ec);
  if (got < sizeof fixed || std::memcmp(fixed, FileMagic, 8) != 0 ||
      le::getU32(fixed + 8) != BackupFormat)
    return BackupBadFormat;
  const std::uint32_t flags = le::getU32(fixed + 12);
  const std::uint64_t baseSize = le::getU64(fixed + 16);
  const std::uint32_t baseCrc = le::getU32(fixed + 24);
  const std::uint32_t pathLength = le::getU32(fixed + 28);
  if (pathLength > MaxPathLength || baseSize > BackupMaxBaseline ||
      FixedHeaderSize + pathLength + baseSize + 4 > size)
    return BackupBadFormat;

  BackupInfo info;
  info.dataFilePath.resize(pathLength);
  info.baselineBytes.resize(static_cast<std::size_t>(baseSize));
  unsigned char tail[4];
  if (auto ec = readFully(*in, info.dataFilePath.data(), pathLength, got); ec || got != pathLength)
    return ec ? fail(ec) : BackupBadFormat;
  if (auto ec = readFully(*in, info.baselineBytes.data(), info.baselineBytes.size(), got);
      ec || got != info.baselineBytes.size())
    return ec ? fail(ec) : BackupBadFormat;
  if (auto ec = readFully(*in, tail, 4, got); ec || got != 4)
    return ec ? fail(ec) : BackupBadFormat;
  std::uint32_t crc = crc32(fixed, sizeof fixed);
  crc = crc32(info.dataFilePath.data(), info.dataFilePath.size(), crc);
  crc = crc32(info.baselineBytes.data(), info.baselineBytes.size(), crc);
  if (crc != le::getU32(tail))
    return BackupBadFormat;
  if ((flags & 1) != 0) {
    info.baseline = {true, baseSize, baseCrc};
    if (crc32(info.baselineBytes.data(), info.baselineBytes.size()) != baseCrc)
      return BackupBadFormat;
  } else {
    info.baselineBytes.clear();
  }

  in_ = std::move(in);
  inSize_ = size;
  inPos_ = FixedHeaderSize + pathLength + baseSize + 4;
  info_ = std::move(info);
  expectSequence_ = 1;
  damagedAt_.reset();
  objectsRead_ = 0;
  haveCurrent_ = false;
  return 0;
}

int BackupJournal::ReadBackupHeader(BackupObjectHeader& header) {
  if (!in_)
    return BackupNotOpen;
  haveCurrent_ = false;
  if (damagedAt_)
    return 0;
  if (inPos_ == inSize_)
    return 0;
  auto damaged = [&] {
    damagedAt_ = inPos_;
    return 0;
  };
  if (inSize_ - inPos_ < BackupFrameSize)
    return damaged();
  unsigned char frame[BackupFrameSize];
  std::size_t got = 0;
  if (auto ec = readFully(*in_, frame, sizeof frame, got))
    return fail(ec);
  if (got < sizeof frame || le::getU32(frame) != FrameMagic)
    return damaged();
  const std::uint32_t length = le::getU32(frame + 4);
  if (length > BackupMaxObject || length > inSize_ - inPos_ - BackupFrameSize)
    return damaged();
  try {
    current_.resize(length);
  } catch (const std::bad_alloc&) {
    return fail(std::make_error_code(std::errc::not_enough_memory));
  }
  if (auto ec = readFully(*in_, current_.data(), length, got))
    return fail(ec);
  if (got != length)
    return damaged();
  std::uint32_t crc = crc32(frame + 4, 20);
  crc = crc32(current_.data(), current_.size(), crc);
  if (crc != le::getU32(frame + 24) || le::getU32(frame + 20) != expectSequence_)
    return damaged();

  header.dataLength = length;
  header.type = le::getU16(frame + 8);
  header.version = le::getU16(frame + 10);
  header.sampleIndex = le::getU16(frame + 12);
  header.storageIndex = le::getU16(frame + 14);
  header.measurementIndex = le::getU16(frame + 16);
  ++expectSequence_;
  inPos_ += BackupFrameSize + length;
  ++objectsRead_;
  haveCurrent_ = true;
  return 1;
}

int BackupJournal::ReadBackupObject(const BackupObjectHeader& header,
                                    std::vector<unsigned char>& data) {
  if (!in_ || !haveCurrent_ || header.dataLength != current_.size())
    return BackupNotOpen;
  data.assign(current_.begin(), current_.end());
  return static_cast<int>(data.size());
}

int BackupJournal::CloseBackupFile() {
  in_.reset();
  haveCurrent_ = false;
  current_.clear();
  inSize_ = inPos_ = 0;
  return 0;
}

// ---- the question at start-up

int BackupJournal::ReloadBackup(Ui& ui, const Language& language, std::string& dataPath,
                                std::filesystem::path& backupFile, std::string& targetPath) {
  dataPath.clear();
  backupFile.clear();
  targetPath.clear();
  const auto path = GetBackupPath();
  if (path.empty() || !fs_.exists(path))
    return reload_answer::Nothing;

  std::uint64_t changes = 0;
  const int opened = OpenBackupFile(path);
  if (opened == BackupBadFormat) {
    // Not ours or damaged beyond use: keep it for inspection, out of the way of the next run.
    std::filesystem::path aside = path;
    aside += ".damaged";
    fs_.remove(aside);
    if (fs_.rename(path, aside))
      aside = path; // it stays where it is and is reported again at the next start
    ui.popup(language.pick(ReloadTitle),
             fill(language.pick(UnusableText), pathText(pathBytes(aside))));
    return reload_answer::Nothing;
  }
  if (opened < 0)
    return opened;
  BackupObjectHeader header;
  int r = 0;
  while ((r = ReadBackupHeader(header)) > 0)
    if (header.type >= 1 && header.type <= 9)
      ++changes;
  const bool tailDamaged = damaged();
  dataPath = info_.dataFilePath;
  CloseBackupFile();
  if (r < 0)
    return r;

  backupFile = path;
  targetPath = dataPath;
  std::string text =
      fill(language.pick(ReloadText), pathText(dataPath), static_cast<long long>(changes));
  if (tailDamaged)
    text += language.pick(DamagedTail);
  for (;;) {
    const int answer = ui.ask(
        language.pick(ReloadTitle), text,
        {language.pick(ReloadButton), language.pick(DiscardButton), language.pick(EndButton)}, 0,
        2);
    if (answer == 0)
      return reload_answer::Reload;
    if (answer != 1)
      return reload_answer::EndProgram;
    const int sure = ui.ask(language.pick(ReloadTitle), language.pick(DiscardText),
                            {language.pick(DiscardButton), language.pick(BackButton)}, 1, 1);
    if (sure == 0)
      return reload_answer::Discard;
  }
}

int BackupJournal::CmpFilePathToBackupDir(const std::filesystem::path& path) const {
  if (dir_.empty() || path.empty())
    return 0;
  std::error_code ec;
  const auto normal = [&](const std::filesystem::path& p) {
    auto abs = std::filesystem::absolute(p, ec);
    auto canonical = std::filesystem::weakly_canonical(abs, ec);
    return (ec ? abs : canonical).lexically_normal();
  };
  const auto dir = normal(dir_);
  const auto file = normal(path);
  auto d = dir.begin();
  auto f = file.begin();
  for (; d != dir.end(); ++d) {
    if (d->empty())
      continue; // the trailing separator
    if (f == file.end())
      return 0;
#ifdef _WIN32
    std::wstring a = d->native(), b = f->native();
    if (_wcsicmp(a.c_str(), b.c_str()) != 0)
      return 0;
#else
    if (*d != *f)
      return 0;
#endif
    ++f;
  }
  return 1;
}

} // namespace zv
