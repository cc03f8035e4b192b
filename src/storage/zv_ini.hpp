#pragma once
// INI text documents: the configuration, the device files and the text data set files are
// read completely into an IniDocument, queried and changed there, and written back whole.
//
// A document holds ordered sections of ordered tag/value items, in file or insertion order.
// Section names and tags are stored trimmed and compare case-insensitively (ASCII letters)
// with leading and trailing white space ignored; lookups take the first match. Values are
// opaque Latin-1 bytes without escapes.
//
// Results: 0 success or a negative code; lookups 1 (found) or 0 (not found). A null
// document gives IniNoDocument from puts, gets, reads, writes, Ini_SetDuplicateChecking and
// Ini_ItemExists, and 0 from the other lookups.
//
// Written text: CR LF line ends, "tag = value", integers as "%ld", doubles as "%.16g" (C
// locale) or, where 16 digits do not read back as the same double, "%.17g"; strings between
// double quotes; values longer than 80 characters become items "<tag> Line0001",
// "<tag> Line0002", ... of 80 characters each. Reading joins every run of such pieces: from a
// piece numbered 1 over all following pieces not numbered 1, whatever their tags.
// Files are replaced atomically (see replaceFile in platform/zv_fileio.hpp).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/zv_fileio.hpp"

namespace zv {

inline constexpr int IniOutOfMemory = -12;
inline constexpr int IniNoDocument = -65;   // also: out argument missing, bad name
inline constexpr int IniTooManyFiles = -91; // rename: too many open files
inline constexpr int IniIoError = -93;      // any other input/output error
inline constexpr int IniFileNotFound = -94; // rename: the temporary file vanished
inline constexpr int IniAccessDenied = -95; // target write-protected, access denied
inline constexpr int IniDiskFull = -97;
inline constexpr int IniNotADirectory = -100; // rename: a path part is (not) a directory
inline constexpr int IniCannotOpen = -5001;
inline constexpr int IniReadError = -5002;
inline constexpr int IniNoTempName = -5003;
inline constexpr int IniCannotCreateTemp = -5004;
inline constexpr int IniNotAnInteger = -5021;
inline constexpr int IniNotANumber = -5023;

// Longest section name and tag a put accepts: every line the writer makes from them must
// stay within the 255 characters the reader uses of a line.
inline constexpr std::size_t IniMaxSectionName = 253;
inline constexpr std::size_t IniMaxTag = 150;

class IniDocument;
namespace ini_detail {
struct Item;
class Arena;
} // namespace ini_detail

// Owns one document. Converts to IniDocument* so that it can be passed to the Ini_ functions
// directly; an empty handle is "no document".
class IniHandle {
public:
  IniHandle() noexcept;
  explicit IniHandle(std::unique_ptr<IniDocument> document) noexcept;
  IniHandle(IniHandle&&) noexcept;
  IniHandle& operator=(IniHandle&&) noexcept;
  ~IniHandle();

  IniDocument* get() const noexcept { return doc_.get(); }
  operator IniDocument*() const noexcept { return doc_.get(); }
  void reset() noexcept;

private:
  std::unique_ptr<IniDocument> doc_;
};

// A new empty document with duplicate checking on. Documents keep insertion order; sorting
// is not supported, so a non-zero automaticSorting gives no document, as does lack of memory.
IniHandle Ini_New(int automaticSorting);
// Frees the document; the handle becomes empty. An empty handle is left alone.
void Ini_Dispose(IniHandle& document);

// Returns the previous setting (1 on, 0 off). On: a put replaces every item of the same tag
// in place. Off: a put appends in constant time and equal tags may exist twice.
int Ini_SetDuplicateChecking(IniDocument* document, int on);

// Appends the sections of a file. 0; IniCannotOpen, IniReadError, IniOutOfMemory. After a
// failure the document holds what was read so far.
int Ini_ReadFromFile(IniDocument* document, const std::filesystem::path& path,
                     FileSystem& fs = realFileSystem());
// The same from a file that is already open (for readers of embedded texts and fuzzing).
int Ini_ReadFromFile(IniDocument* document, ReadableFile& file);

// Replaces the file atomically with the document's text. 0, or IniAccessDenied (target not
// writable, missing directory, access denied), IniNoTempName, IniCannotCreateTemp,
// IniDiskFull, IniOutOfMemory, IniIoError, IniTooManyFiles, IniFileNotFound,
// IniNotADirectory. On failure the old file stays as it was.
int Ini_WriteToFile(IniDocument* document, const std::filesystem::path& path,
                    FileSystem& fs = realFileSystem());
// The same, calling beforeRename with the complete temporary file before it replaces the
// target (an error there abandons the write: IniIoError) and giving the file system's error
// of a failure in cause.
using IniBeforeRename = std::function<std::error_code(const std::filesystem::path& temp)>;
int Ini_WriteToFile(IniDocument* document, const std::filesystem::path& path, FileSystem& fs,
                    const IniBeforeRename& beforeRename, std::error_code* cause);
// The exact bytes Ini_WriteToFile would write.
int Ini_WriteToString(IniDocument* document, std::string& text);

int Ini_SectionExists(IniDocument* document, std::string_view section);
int Ini_ItemExists(IniDocument* document, std::string_view section, std::string_view tag);
// Number of items of the first section of that name; 0 when there is none.
int Ini_NumberOfItems(IniDocument* document, std::string_view section);
// 1 and the index-th (1-based) tag, and its value when asked for (the raw text, also of a
// repeated key, which a lookup by name never reaches); 0 when out of range; IniNoDocument when
// tag is null. The texts stay valid as long as the document exists.
int Ini_NthItemName(IniDocument* document, std::string_view section, int index,
                    std::string_view* tag, std::string_view* value = nullptr);
// Removes the first section of that name; 1 when one was removed, else 0.
int Ini_RemoveSection(IniDocument* document, std::string_view section);

// Puts: 0, IniOutOfMemory, or IniNoDocument for a missing document or a section name or tag
// that cannot be written (empty, too long, a tag with "=" or starting with ";" or "[").
// Line breaks in names and values become blanks and a NUL ends the text, as neither can
// be stored in a line. A missing section is created at the end of the document.
int Ini_PutInt(IniDocument* document, std::string_view section, std::string_view tag,
               std::int32_t value);
int Ini_PutDouble(IniDocument* document, std::string_view section, std::string_view tag,
                  double value);
int Ini_PutRawString(IniDocument* document, std::string_view section, std::string_view tag,
                     std::string_view text);
// A null text counts as empty.
int Ini_PutRawString(IniDocument* document, std::string_view section, std::string_view tag,
                     const char* text);

// 1 found and converted; 0 not found or blank (value untouched); IniNotAnInteger (value
// untouched); IniNoDocument when value is null.
int Ini_GetInt(IniDocument* document, std::string_view section, std::string_view tag,
               std::int32_t* value);
// 1 found and converted; 0 not found or blank (value untouched); IniNotANumber, with value
// set to the number at the start of the text (0.0 when there is none).
int Ini_GetDouble(IniDocument* document, std::string_view section, std::string_view tag,
                  double* value);
// Empties the buffer, then 1 with at most bufferSize - 1 bytes of the value (terminated), or
// 0 when not found. IniNoDocument when the buffer is null or bufferSize < 1.
int Ini_GetRawStringIntoBuffer(IniDocument* document, std::string_view section,
                               std::string_view tag, char* buffer, int bufferSize);
// The same into a string holding at most bufferSize - 1 bytes.
int Ini_GetRawStringIntoBuffer(IniDocument* document, std::string_view section,
                               std::string_view tag, std::string* buffer, int bufferSize);

// Reads a file line by line. A line ends at CR, LF or NUL; CR LF and LF CR are one line end.
// Only the first MaxLine bytes of a line are kept; the rest of a longer line is skipped. The
// chunk size is only a buffer size and does not change the lines.
class LineFile {
public:
  static constexpr std::size_t MaxLine = 255;

  explicit LineFile(ReadableFile& file, std::size_t chunkSize = 65536);
  LineFile(const LineFile&) = delete;
  LineFile& operator=(const LineFile&) = delete;

  // 1 with the next line (valid until the next call), 0 at the end, -1 after a read error.
  int next(std::string_view& line);
  // 1-based number of the line last returned.
  std::uint32_t lineNumber() const { return lineNumber_; }
  std::error_code error() const { return error_; }

private:
  bool refill();

  ReadableFile& file_;
  std::vector<char> chunk_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  char carry_[MaxLine];
  std::size_t carryLen_ = 0;
  char partner_ = 0; // the second byte of a CR LF / LF CR pair still to skip
  bool eof_ = false;
  std::uint32_t lineNumber_ = 0;
  std::error_code error_;
};

// A section name or tag normalised once (cut at a NUL, line breaks made blanks, trimmed) as
// every lookup and put does it, for the names a reader or writer uses again and again.
class IniKey {
public:
  IniKey(std::string_view text); // NOLINT: a key is written where a name would be
  IniKey(const char* text) : IniKey(std::string_view(text)) {} // NOLINT
  std::string_view text() const { return text_; }
  // Whether a put accepts it as a tag (see the puts).
  bool validTag() const { return validTag_; }

private:
  std::string text_;
  bool validTag_ = false;
};

// One section of a document or of an IniSectionReader, with the lookups of the Ini_Get
// functions: the same results as those give for the first section of this name. Valid until
// its document changes or its reader moves on; an empty IniSection stands for a missing one.
class IniSection {
public:
  IniSection() = default;
  explicit operator bool() const { return found_; }
  std::string_view name() const { return name_; }
  int getInt(const IniKey& tag, std::int32_t* value) const;
  int getDouble(const IniKey& tag, double* value) const;
  int getRawString(const IniKey& tag, std::string* buffer, int bufferSize) const;

private:
  friend class IniSectionReader;
  friend IniSection Ini_FindSection(IniDocument* document, std::string_view section);
  IniSection(std::string_view name, const ini_detail::Item* items, std::size_t count)
      : name_(name), items_(items), count_(count), found_(true) {}
  const ini_detail::Item* find(const IniKey& tag) const;

  std::string_view name_;
  const ini_detail::Item* items_ = nullptr;
  std::size_t count_ = 0;
  bool found_ = false;
};

// The first section of that name, or an empty IniSection.
IniSection Ini_FindSection(IniDocument* document, std::string_view section);
// Whether two normalised section names or tags are the same for lookups: ASCII letters
// compare case-insensitively.
bool Ini_SameName(std::string_view a, std::string_view b);

// Reads a file one section at a time without building a document, for files too big to keep
// whole: each section comes complete, its " Line" runs joined, exactly as a document read
// from the same file holds it (items before the first section are dropped; comments are not
// kept).
class IniSectionReader {
public:
  explicit IniSectionReader(ReadableFile& file);
  ~IniSectionReader();
  IniSectionReader(const IniSectionReader&) = delete;
  IniSectionReader& operator=(const IniSectionReader&) = delete;

  // 1 with the next section in section(), 0 at the end of the file, or IniReadError,
  // IniOutOfMemory.
  int next();
  IniSection section() const;
  // Appends the current section to a document (no duplicate checking); IniOutOfMemory.
  int copyTo(IniDocument* document) const;

private:
  LineFile lines_;
  std::string name_;
  std::string nextName_; // the header that ended the current section
  bool haveNext_ = false;
  bool started_ = false;
  std::unique_ptr<ini_detail::Arena> text_;
  std::vector<ini_detail::Item> items_;
};

// Writes the text of a document section by section without building the document, for
// files too big to keep whole: the same bytes Ini_WriteToString gives for a new document
// filled by the same puts with duplicate checking off, as long as every section is put
// whole and no section name comes twice (this is not checked). It either collects the text
// in memory or, inside writeFile, writes it straight into the file that is to replace the
// target.
class IniTextWriter {
public:
  IniTextWriter();
  ~IniTextWriter();
  IniTextWriter(const IniTextWriter&) = delete;
  IniTextWriter& operator=(const IniTextWriter&) = delete;

  // Replaces the file with the text produce puts, as Ini_WriteToFile does and with the same
  // results, without keeping the text. When produce returns anything but 0, the file is left
  // as it was and produced holds that value (the function then returns 0).
  using Producer = std::function<int(IniTextWriter&)>;
  static int writeFile(const std::filesystem::path& path, FileSystem& fs,
                       const IniBeforeRename& beforeRename, std::error_code* cause,
                       const Producer& produce, int& produced);

  // Starts the next section; the puts after it go into it. 0 or IniNoDocument for a name a
  // put would refuse.
  int section(std::string_view name);
  // As Ini_PutInt and so on; IniNoDocument also when no section was started.
  int putInt(const IniKey& tag, std::int32_t value);
  int putDouble(const IniKey& tag, double value);
  int putRawString(const IniKey& tag, std::string_view text);
  // The text so far as Ini_WriteToString would give it (when collecting in memory).
  std::string text() const;

private:
  struct Sink;
  explicit IniTextWriter(FileWriter& out);
  int put(const IniKey& tag, std::string_view value, bool quoted, bool isNumber);
  void append(const char* p, std::size_t n);
  void closeSection();

  FileWriter* out_ = nullptr; // the file written to, or none: the text collects in blocks_
  // The text in blocks, so that growing never copies what is there.
  std::vector<std::string> blocks_;
  bool inSection_ = false;
};

// The text a double is stored as: "%.16g" (C locale), "%.17g" where 16 digits do not read
// back as the same double. buffer needs 32 bytes; returns the length.
std::size_t Ini_FormatDouble(double value, char* buffer);

} // namespace zv
