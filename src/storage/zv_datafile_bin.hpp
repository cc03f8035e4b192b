#pragma once
// The binary data set file (.BIN): the order header, then per sample its record followed by its
// storage groups (storage record + measurement records). Little-endian, packed, no curves and
// no statistics. Layout 3 is written and read; the older layout 12345 is read only.
//
// Writing goes to "TEMP.BIN" beside the target, which is fsynced and then renamed over the
// target in one step: the target is always either the complete old or the complete new file.
// Reading streams the file and checks every count against the bytes that remain before it
// allocates anything, so a truncated or corrupt file fails with a message instead of reading
// past its end.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/zv_dataset.hpp"
#include "platform/zv_file_replacement.hpp"
#include "platform/zv_ui.hpp"
#include "storage/zv_datafile_lists.hpp"
#include "support/zv_message.hpp"

namespace zv {

namespace binfile {
constexpr std::int32_t DataCode = 3;
constexpr std::int32_t OldDataCode = 12345;
constexpr std::int32_t ProgramVersion = 64;

constexpr std::size_t HeaderSize = 260;
constexpr std::size_t SampleSize = 34;
constexpr std::size_t StorageSize = 86;
constexpr std::size_t MeasurementSize = 94;

constexpr std::size_t OldHeaderSize = 20 + 288;
constexpr std::size_t OldSampleSize = 40;
constexpr std::size_t OldStorageSize = 4 + 216;
constexpr std::size_t OldMeasurementSize = 184;

// A sample block with T storages of at most 100 measurements each.
constexpr std::size_t sampleBlockCapacity(std::size_t storages) {
  return SampleSize + storages * (StorageSize + 100 * MeasurementSize);
}

// Field-by-field packers; each returns the bytes produced (out must have room for them).
std::size_t packHeader(const DataSet& d, std::int32_t samples, std::int32_t storages, char* out);
std::size_t packSample(const Sample& s, char* out);
std::size_t packStorage(const StorageCondition& t, std::int32_t measurementCount, char* out);
std::size_t packMeasurement(const Measurement& m, char* out);

// Field-by-field unpackers of layout 3 (old = false) or layout 12345 (old = true). Each reads
// one whole record of its layout's size and sets only what the record carries.
// The header's texts; afterCode points at the byte after the data code.
void unpackHeaderTexts(const char* afterCode, bool old, DataSet& d);
void unpackSample(const char* p, bool old, Sample& s);
void unpackStorage(const char* p, bool old, StorageCondition& t);
void unpackMeasurement(const char* p, bool old, Measurement& m);
} // namespace binfile

// Result codes of the binary file module.
enum DatafileBinCode : int {
  BinOpenWriteFailed = -1401, // TEMP.BIN cannot be created, or the target is protected
  BinWriteFailed = -1402,     // a header or block write failed
  BinCloseFailed = -1403,     // fsync or close of TEMP.BIN failed
  BinReplaceFailed = -1404,   // TEMP.BIN could not be renamed over the target
  BinDeleteFailed = -1405,    // TEMP.BIN could not be removed
  BinOpenReadFailed = -1406,  // the file to read cannot be opened
  BinNotOpen = -1407,         // no write file open
  BinNoDataSet = -1408,       // no data set to write or fill
  BinBadDataCode = -1410,     // neither 3 nor 12345
  BinTruncated = -1411,       // the file ends before the counts say
  BinBadCount = -1412,        // a negative sample, storage or measurement count
  BinGrowFailed = -1413,      // the grid could not be built (limits, memory)
  BinReadFailed = -1414,      // input/output error while reading
};

class BinaryDataFile {
public:
  BinaryDataFile(DataSetModel& model, Reporter& reporter, const Language& lang,
                 FileSystem& fs = realFileSystem());
  ~BinaryDataFile();
  BinaryDataFile(const BinaryDataFile&) = delete;
  BinaryDataFile& operator=(const BinaryDataFile&) = delete;

  // Creates the temporary file beside target. A write-protected target is refused here, before
  // anything is written.
  int openBinaryWriteFile(const std::filesystem::path& target);
  // Room for the largest sample block of a grid this wide; false when memory is short.
  bool reserveBlockBuffer(std::int32_t storageCount);
  // 0, 1 when Stop was pressed, or a negative code.
  int writeBinaryDataSet(std::int32_t sampleCount, std::int32_t storageCount, Progress* progress);
  // Unless abort: fsync, close, rename over the target given to open, sync the directory.
  // Always removes the temporary file when it is still there. 0 when no write file is open.
  int closeBinaryWriteFile(bool abort);
  bool writeFileOpen() const { return replacement_.isOpen(); }
  // The temporary name used for target ("TEMP.BIN", or another name when the target itself is
  // called TEMP.BIN).
  static std::filesystem::path tempPathFor(const std::filesystem::path& target);

  // Rebuilds the data set (which must exist and be empty) from a file or a file image.
  // 0, 1 when Stop was pressed, or a negative code; the records read so far stay.
  int readBinaryDataSet(const std::filesystem::path& path, Progress* progress);
  int readBinaryDataSet(std::string_view image, Progress* progress);
  int readBinaryDataSet(ReadableFile& file, std::uint64_t size, Progress* progress);

  // What the last read replaced because the device lists lacked it.
  const ListReplacements& lastReplacements() const { return replaced_; }
  // The sample and storage counts the header of the last file read announced.
  const FileCounts& lastFileCounts() const { return counts_; }

  // Called with the complete temporary file before it replaces the target; an error keeps
  // the target as it was (the close fails with BinReplaceFailed).
  void setBeforeReplace(std::function<std::error_code(const std::filesystem::path&)> f) {
    beforeReplace_ = std::move(f);
  }
  // The file system's error of the last failed write, open or replacement.
  std::error_code lastWriteError() const { return lastError_; }

private:
  int fail(const char* title, const char* text, int code, int detail);
  int failIo(const char* title, const char* text, int code, std::error_code ec) {
    lastError_ = ec;
    return fail(title, text, code, ec.value());
  }
  int corrupt(const std::string& text, int code);

  DataSetModel& model_;
  Reporter& reporter_;
  const Language& lang_;
  FileSystem& fs_;
  FileReplacement replacement_{fs_};
  std::vector<char> block_;
  ListReplacements replaced_;
  FileCounts counts_;
  std::function<std::error_code(const std::filesystem::path&)> beforeReplace_;
  std::error_code lastError_;
};

} // namespace zv
