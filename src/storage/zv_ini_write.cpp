// Writing INI text and replacing the file safely.
#include <cerrno>
#include <charconv>
#include <functional>
#include <initializer_list>
#include <new>

#include "platform/zv_file_replacement.hpp"
#include "storage/zv_ini_internal.hpp"

namespace zv {

using namespace ini_detail;

namespace {

constexpr std::size_t PieceLength = 80;

// Output into a FileWriter or a string with the same code.
template <class Out>
void emitItemLine(Out& out, std::string_view tag, std::string_view value, bool quoted) {
  out.write(tag.data(), tag.size());
  out.write(" = ", 3);
  if (quoted)
    out.put('"');
  out.write(value.data(), value.size());
  if (quoted) {
    out.write("\"\r\n", 3);
  } else {
    out.write("\r\n", 2);
  }
}

template <class Out> void emitLines(Out& out, std::string_view text) {
  out.write(text.data(), text.size());
  out.write("\r\n", 2);
}

// One value as one line, or as "<tag> Line0001", "<tag> Line0002", ... ("%s%s%04d") of 80
// characters each when it is longer.
template <class Out>
void emitValue(Out& out, std::string_view tag, std::string_view value, bool quoted) {
  if (value.size() <= PieceLength) {
    emitItemLine(out, tag, value, quoted);
    return;
  }
  std::string pieceTag(tag);
  pieceTag += " Line";
  const std::size_t baseLen = pieceTag.size();
  std::uint64_t piece = 1;
  for (std::size_t at = 0; at < value.size(); at += PieceLength, ++piece) {
    pieceTag.resize(baseLen);
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, piece);
    const std::size_t n = static_cast<std::size_t>(r.ptr - digits);
    if (n < 4)
      pieceTag.append(4 - n, '0');
    pieceTag.append(digits, n);
    emitItemLine(out, pieceTag, value.substr(at, PieceLength), quoted);
  }
}

template <class Out> void emitItem(Out& out, const IniDocument& doc, const Item& it) {
  if (it.comment())
    emitLines(out, doc.comments[it.comment() - 1]);
  emitValue(out, it.tag(), it.value(), it.quoted());
}

template <class Out> void emitDocument(Out& out, const IniDocument& doc) {
  if (!doc.headerComment.empty()) {
    emitLines(out, doc.headerComment);
    out.write("\r\n", 2);
  }
  for (std::size_t i = 0; i < doc.sections.size(); ++i) {
    const Section& s = doc.sections[i];
    if (s.removed)
      continue;
    if (s.comment)
      emitLines(out, doc.comments[s.comment - 1]);
    out.put('[');
    out.write(s.name, s.nameLen);
    out.write("]\r\n", 3);
    for (const Item& it : s.items)
      emitItem(out, doc, it);
    out.write("\r\n", 2);
  }
  if (!doc.trailerComment.empty())
    emitLines(out, doc.trailerComment);
}

struct StringOut {
  std::string& s;
  void write(const char* p, std::size_t n) { s.append(p, n); }
  void put(char c) { s.push_back(c); }
};

bool isOneOf(std::error_code ec, std::initializer_list<std::errc> list) {
  for (std::errc e : list)
    if (ec == e)
      return true;
  return false;
}

// Error while writing, flushing or closing the temporary file.
int writeErrorCode(std::error_code ec) {
  if (isOneOf(ec, {std::errc::not_enough_memory}))
    return IniOutOfMemory;
  if (isOneOf(ec, {std::errc::permission_denied, std::errc::operation_not_permitted,
                   std::errc::read_only_file_system}))
    return IniAccessDenied;
  if (isOneOf(ec, {std::errc::no_space_on_device}))
    return IniDiskFull;
#ifdef EDQUOT
  if (ec == std::error_code(EDQUOT, std::generic_category()))
    return IniDiskFull;
#endif
  return IniIoError;
}

int renameErrorCode(std::error_code ec) {
  if (isOneOf(ec, {std::errc::no_such_file_or_directory}))
    return IniFileNotFound;
  if (isOneOf(ec, {std::errc::too_many_files_open, std::errc::too_many_files_open_in_system}))
    return IniTooManyFiles;
  if (isOneOf(ec, {std::errc::not_a_directory, std::errc::is_a_directory}))
    return IniNotADirectory;
  return writeErrorCode(ec);
}

} // namespace

int Ini_WriteToString(IniDocument* document, std::string& text) {
  if (!document)
    return IniNoDocument;
  try {
    text.clear();
    StringOut out{text};
    emitDocument(out, *document);
    return 0;
  } catch (const std::bad_alloc&) {
    return IniOutOfMemory;
  } catch (const std::length_error&) {
    return IniOutOfMemory;
  }
}

int Ini_WriteToFile(IniDocument* document, const std::filesystem::path& path, FileSystem& fs) {
  return Ini_WriteToFile(document, path, fs, {}, nullptr);
}

namespace {

// Replaces the file with what produce writes, with the document writer's result codes.
// abandon, when given, is asked after produce: true leaves the target as it was.
int replaceWithText(const std::filesystem::path& path, FileSystem& fs,
                    const IniBeforeRename& beforeRename, std::error_code* cause,
                    const std::function<void(FileWriter&)>& produce,
                    const std::function<bool()>& abandon = {}) {
  ReplaceOptions options;
  options.beforeRename = beforeRename;
  options.tempPrefix = "ini$$";
  options.tempExtension = ".CVI";
  options.tempCandidates = 1000;
  options.bufferSize = 16384;
  options.checkTarget = true;
  const ReplaceResult r = replaceFile(fs, path, options, [&](FileWriter& out) {
    produce(out);
    return abandon && abandon() ? std::make_error_code(std::errc::operation_canceled)
                                : std::error_code{};
  });
  if (cause)
    *cause = r.error;
  switch (r.step) {
  case ReplaceStep::Done:
    return 0;
  case ReplaceStep::BeforeRename:
    return IniIoError;
  case ReplaceStep::CheckTarget:
    return IniAccessDenied;
  case ReplaceStep::NoTempName:
    return IniNoTempName;
  case ReplaceStep::CreateTemp:
    return IniCannotCreateTemp;
  case ReplaceStep::Produce:
  case ReplaceStep::Flush:
    return writeErrorCode(r.error);
  case ReplaceStep::Rename:
    return renameErrorCode(r.error);
  }
  return IniIoError;
}

} // namespace

int Ini_WriteToFile(IniDocument* document, const std::filesystem::path& path, FileSystem& fs,
                    const IniBeforeRename& beforeRename, std::error_code* cause) {
  if (!document)
    return IniNoDocument;
  return replaceWithText(path, fs, beforeRename, cause,
                         [document](FileWriter& out) { emitDocument(out, *document); });
}

// ---------------------------------------------------------------------------------------------
// Section by section

namespace {
constexpr std::size_t TextBlock = std::size_t{1} << 20;

// Output into the writer's blocks for emitValue.
} // namespace

// Straight into the file's buffer when writing a file (the common case, kept inline), into the
// blocks otherwise.
struct IniTextWriter::Sink {
  IniTextWriter& w;
  void write(const char* p, std::size_t n) {
    if (w.out_)
      w.out_->write(p, n);
    else
      w.append(p, n);
  }
  void put(char c) {
    if (w.out_)
      w.out_->put(c);
    else
      w.append(&c, 1);
  }
};

IniTextWriter::IniTextWriter() = default;
IniTextWriter::IniTextWriter(FileWriter& out) : out_(&out) {}
IniTextWriter::~IniTextWriter() = default;

void IniTextWriter::append(const char* p, std::size_t n) {
  if (out_) {
    out_->write(p, n);
    return;
  }
  while (n > 0) {
    if (blocks_.empty() || blocks_.back().size() == blocks_.back().capacity()) {
      blocks_.emplace_back();
      blocks_.back().reserve(TextBlock);
    }
    std::string& b = blocks_.back();
    const std::size_t take = std::min(n, b.capacity() - b.size());
    b.append(p, take);
    p += take;
    n -= take;
  }
}

void IniTextWriter::closeSection() {
  if (inSection_)
    append("\r\n", 2);
  inSection_ = false;
}

int IniTextWriter::section(std::string_view name) {
  try {
    std::string scratch;
    const std::string_view n = lookupName(name, scratch);
    if (n.empty() || n.size() > IniMaxSectionName)
      return IniNoDocument;
    closeSection();
    append("[", 1);
    append(n.data(), n.size());
    append("]\r\n", 3);
    inSection_ = true;
    return 0;
  } catch (const std::bad_alloc&) {
    return IniOutOfMemory;
  } catch (const std::length_error&) {
    return IniOutOfMemory;
  }
}

int IniTextWriter::put(const IniKey& tag, std::string_view value, bool quoted, bool isNumber) {
  if (!inSection_ || !tag.validTag())
    return IniNoDocument;
  try {
    std::string scratch;
    if (!isNumber) // a number's text has no line end or NUL to take care of
      value = lineSafe(value, scratch);
    if (value.size() > UINT32_MAX)
      return IniOutOfMemory;
    Sink out{*this};
    emitValue(out, tag.text(), value, quoted);
    return 0;
  } catch (const std::bad_alloc&) {
    return IniOutOfMemory;
  } catch (const std::length_error&) {
    return IniOutOfMemory;
  }
}

int IniTextWriter::putInt(const IniKey& tag, std::int32_t value) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return put(tag, std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)), false, true);
}

int IniTextWriter::putDouble(const IniKey& tag, double value) {
  char buf[32];
  return put(tag, std::string_view(buf, Ini_FormatDouble(value, buf)), false, true);
}

int IniTextWriter::putRawString(const IniKey& tag, std::string_view text) {
  return put(tag, text, true, false);
}

std::string IniTextWriter::text() const {
  std::string all;
  for (const std::string& b : blocks_)
    all += b;
  if (inSection_)
    all += "\r\n";
  return all;
}

int IniTextWriter::writeFile(const std::filesystem::path& path, FileSystem& fs,
                             const IniBeforeRename& beforeRename, std::error_code* cause,
                             const Producer& produce, int& produced) {
  produced = 0;
  bool stopped = false;
  const int r = replaceWithText(
      path, fs, beforeRename, cause,
      [&](FileWriter& out) {
        IniTextWriter writer(out);
        produced = produce(writer);
        writer.closeSection();
        stopped = produced != 0;
      },
      [&] { return stopped; });
  return stopped ? 0 : r;
}

} // namespace zv
