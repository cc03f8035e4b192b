#pragma once
// The companion library's graph file: the force curves of one data set, kept beside its data
// file. The storage layer decides what goes in (zv_graphfile); this class owns the bytes.
//
// Layout (little-endian, no padding):
//   0   int32  version, always 12345
//   4   char4  "ZVGS", then the stamps of the data file this graph file belongs to:
//   8   uint32 flags (1: data stamp present, 2: previous stamp present)
//   12  uint64 data file size, 20 uint32 data file CRC-32
//   24  uint64 size and 32 uint32 CRC-32 of the data file state the save started from (the
//       baseline of the backup journal then running), so a start after an interrupted save
//       can tell that the save got past the graph file
//   36  uint32 CRC-32 of bytes 0..35
//   40  records: GraphRecordHeader (six int32), pointCount doubles, uint32 FastChecksum of both
//
// A new graph file is written as a temporary file in the target's directory, flushed,
// fsynced and renamed over the old one, so the old file stays whole until the new one is.
// Before a save replaces a graph file that does not belong to the data set being saved, a
// copy of it goes into the graph directory, so curves that could not be attached are kept.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/zv_file_replacement.hpp"
#include "platform/zv_little_endian.hpp"
#include "support/zv_crc32.hpp"

namespace zv {

constexpr std::int32_t GraphFileVersion = 12345;

// Precedes each curve: element size (8), point count, sample, storage and measurement index,
// points per second.
struct GraphRecordHeader {
  std::int32_t elementSize = 8;
  std::int32_t pointCount = 0;
  std::int32_t sampleIndex = 0;
  std::int32_t storageIndex = 0;
  std::int32_t measurementIndex = 0;
  std::int32_t pointsPerSecond = 1;
};
constexpr std::size_t GraphRecordHeaderSize = 24;
constexpr std::size_t GraphFileHeaderSize = 40;
// The bytes one record takes besides its points: the header and the checksum.
constexpr std::size_t GraphRecordOverhead = GraphRecordHeaderSize + 4;

struct GraphFileStamps {
  FileStamp data;     // the data file this graph file was saved with
  FileStamp previous; // the journal baseline the save started from
};

// Results besides 0.
enum GraphfileStoreCode : int {
  GraphStoreError = -1,       // a file operation failed
  GraphStoreNotOpen = -2,     // no graph file or temporary file is open
  GraphStoreBadFormat = -3,   // version, stamp block or record not usable
  GraphStoreBadChecksum = -4, // the curve's checksum does not match
};

class GraphFileStore {
public:
  explicit GraphFileStore(FileSystem& fs = realFileSystem());
  ~GraphFileStore();
  GraphFileStore(const GraphFileStore&) = delete;
  GraphFileStore& operator=(const GraphFileStore&) = delete;

  // The graph directory: graph files that had to make way are kept there.
  int GraphFileSetTempDir(const std::filesystem::path& directory);
  const std::filesystem::path& GraphFileGetTempPath() const { return tempDir_; }

  // The graph file of a data file: its full name followed by ".GRF", in the same directory.
  static std::filesystem::path graphPathFor(const std::filesystem::path& dataFile);

  // Selects the graph file that belongs to dataFile (closing any open one).
  int GraphFileSetDatafileName(const std::filesystem::path& dataFile);
  const std::filesystem::path& GraphFileGetDataPath() const { return dataPath_; }
  // Empty when no data file is selected.
  std::filesystem::path GraphFileGetGraphPath() const;
  // 0 no graph file, 1 it exists, GraphStoreNotOpen when no data file is selected.
  int GraphFileIsFileExisting();

  // Reading the selected graph file.
  int GraphFileOpen();
  void GraphFileClose();
  // Closes the graph file and drops an unfinished temporary file.
  void GraphFileCloseAll();
  bool GraphFileIsOpen() const { return reader_ != nullptr; }
  bool GraphFileIsValid() const { return reader_ && indexValid_; }
  void GraphFileSetValid(bool valid) { indexValid_ = valid; }
  // Reads the version and, for 12345, the stamp block. 0 when both were read (the version
  // may still be another value); GraphStoreBadFormat for a damaged stamp block.
  int GraphFileReadVersion(std::int32_t& version);
  const GraphFileStamps& GraphFileGetStamps() const { return stamps_; }
  std::uint64_t GraphFileGetSize() const { return size_; }

  // The record walk: FirstPos goes to the first record, NextPos past the record at position
  // with the given header; both answer 1 while a whole record header follows, else 0.
  int GraphSetFileFirstPos();
  int GraphSetFileNextPos(const GraphRecordHeader& header, std::uint64_t position);
  std::uint64_t GraphFileGetFilePos() const { return pos_; }
  int GraphFileSetFilePos(std::uint64_t position);
  // Reads the header at the current position and checks that the record lies inside the
  // file. 0 or GraphStoreBadFormat / GraphStoreError.
  int datfileReadHeader(GraphRecordHeader& header);
  // Reads the points of the record whose header was read last: bytes read (0 at the end),
  // GraphStoreBadChecksum when all points were read and their checksum does not match.
  long long GraphFileReadBuffer(void* buffer, std::size_t bytes);
  // The points of the record whose header was read last, checksum checked.
  int GraphFileReadPoints(const GraphRecordHeader& header, std::vector<double>& points);

  static void GraphFileFillHeader(GraphRecordHeader& header, std::int32_t elementSize,
                                  std::int32_t points, std::int32_t sample, std::int32_t storage,
                                  std::int32_t measurement, std::int32_t pointsPerSecond);

  // Writing a new graph file for targetDataFile: OpenTemp, WriteVersion, records, CloseTemp,
  // CopyTempAndDelete. Any failure leaves the old graph file as it was.
  int GraphFileOpenTemp(const std::filesystem::path& targetDataFile);
  int GraphFileWriteVersion(std::int32_t version, const GraphFileStamps& stamps);
  // Position the next record will start at in the temporary file.
  std::uint64_t GraphFileGetTempPos() const { return tempPos_; }
  int datfileWriteHeader(const GraphRecordHeader& header);
  // Writes points of the record begun last; the checksum follows once all are written.
  int GraphFileWriteBuffer(const void* buffer, std::size_t bytes);
  int GraphFileWritePoints(const double* points, std::size_t count);
  // Flushes, fsyncs and closes the temporary file.
  int GraphFileCloseTemp();
  // Renames the closed temporary file over targetDataFile's graph file.
  int GraphFileCopyTempAndDelete(const std::filesystem::path& targetDataFile);
  void GraphFileAbandonTemp();

  // Copies the graph file of dataFile into the graph directory under a free name; 0 also
  // when there is none. The copy's path in copiedTo.
  int GraphFileSetAside(const std::filesystem::path& dataFile, std::filesystem::path& copiedTo);

  // The error of the last failed file call, for the log.
  std::error_code lastError() const { return lastError_; }

private:
  int fail(std::error_code ec, int code = GraphStoreError);
  int writeTemp(const void* data, std::size_t size);

  FileSystem& fs_;
  std::filesystem::path tempDir_;
  std::filesystem::path dataPath_;
  std::unique_ptr<ReadableFile> reader_;
  std::uint64_t size_ = 0;
  std::uint64_t pos_ = 0;
  bool indexValid_ = false;
  GraphFileStamps stamps_;
  // The record whose header was read last.
  bool haveRecord_ = false;
  std::uint64_t recordPointBytes_ = 0;
  std::uint64_t recordPointsRead_ = 0;
  FastChecksum recordSum_;

  FileReplacement temp_{fs_};
  std::filesystem::path tempTarget_; // the graph file path the temporary file will replace
  std::uint64_t tempPos_ = 0;
  std::uint64_t tempRecordLeft_ = 0;
  bool tempInRecord_ = false;
  FastChecksum tempSum_;
  std::vector<unsigned char> scratch_;
  std::error_code lastError_;
};

} // namespace zv
