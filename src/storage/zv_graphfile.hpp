#pragma once
// The force curves of the open data set in its graph file: indexing the graph file after a
// load, reading a curve when a measurement is shown, and writing all curves after a save.
//
// A graph file records the state of the data file it was saved with (size and checksum).
// Its records name measurements by their indices. On that state every record is attached. On
// another state (a hand-edited or converted data file, a save without curves) a record is
// attached only where its measurement exists and has as many points as the record; the log
// says how many were and were not, and only a graph file of which nothing fits is refused (the
// load reports it). A graph file not attached whole is copied to the graph directory before a
// later save replaces it. The backup restore asks for the exact state. The index made at load
// time stays right through later deletions because each position travels with its
// measurement record; it is never rebuilt after the grid changed.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/zv_dataset.hpp"
#include "platform/zv_fileio.hpp"
#include "support/zv_graphfile_store.hpp"
#include "support/zv_message.hpp"

namespace zv {

namespace graph_code {
enum GraphfileCode : int {
  ExistsFailed = -2001,
  OpenFailed = -2002,
  BadVersion = -2003,
  ResetFailed = -2004,
  NoMeasurement = -2006,
  IndexFailed = -2008,
  SeekFailed = -2009,
  HeaderFailed = -2010,
  NoMemory = -2011,
  ReadFailed = -2012,
  WriteNoMeasurement = -2013,
  WriteReadFailed = -2014,
  WriteHeaderFailed = -2020,
  WritePointsFailed = -2021,
  NoDataSet = -2030,
  NoSample = -2031,
  NoStorage = -2032,
  NoMeasurementAt = -2033,
  CurveFailed = -2034,
  NoPath = -2040,
  LoadOpenFailed = -2041,
  LoadIndexFailed = -2042,
  StampMismatch = -2043, // the graph file belongs to another state of the data file
  SaveIndexFailed = -2050,
  TempFailed = -2051,
  VersionFailed = -2052,
  WriteAllFailed = -2053,
  ReplaceFailed = -2054,
  SetAsideFailed = -2055, // a foreign graph file could not be kept aside
};
} // namespace graph_code

class GraphFile {
public:
  GraphFile(DataSetModel& model, GraphFileStore& store, Reporter& reporter,
            FileSystem& fs = realFileSystem());

  // The data file state the running backup journal started from; written into each new graph
  // file, so a start after an interrupted save can tell how far the save got.
  void setBaselineSource(std::function<FileStamp()> source) { baseline_ = std::move(source); }

  // After a data file was read: opens its graph file and attaches the curves.
  int graphLoad(const std::filesystem::path& dataFile);
  // After the data file was written: writes every curve into a new graph file for it.
  int graphSave(const std::filesystem::path& dataFile);
  // The same in two steps around the replacement of the data file, so that a graph file that
  // cannot be written (a full disk) stops the save before the data file is replaced:
  // Prepare writes the new graph file's temporary file, stamped for the data file's new
  // content, which lies complete in writtenAs; Commit puts it in place once the data file is
  // replaced; Abandon drops it when the data file could not be replaced.
  int graphSavePrepare(const std::filesystem::path& dataFile,
                       const std::filesystem::path& writtenAs);
  int graphSaveCommit(const std::filesystem::path& dataFile);
  void graphSaveAbandon();
  // The file system's error of the last failed save step.
  std::error_code lastError() const { return lastError_; }
  // Loads the curve of a measurement that has none in memory.
  int graphReadCurve(Measurement* measurement);
  // Closes the graph file (the data set is closed).
  int graphFileCloseAll();

  int graphOpen(const std::filesystem::path& dataFile);
  int graphIndex();
  int graphWriteCurve(Measurement* measurement);
  int graphWriteAll();

  // A record was deleted: indices changed, so the graph file's own indices no longer name
  // the right measurements.
  void gridChanged() { ++gridVersion_; }

  // While a backup is restored from the copy of a data file, that copy is loaded but the
  // curves come from the graph file of the original data file.
  void setGraphSourceOverride(std::optional<std::filesystem::path> dataFile) {
    override_ = std::move(dataFile);
  }
  // Attaches a graph file only to the data file state it was saved with (the backup restore).
  void setExactStateOnly(bool on) { exactOnly_ = on; }
  // Records of the attached graph file that found no measurement.
  int unattachedRecords() const { return unattached_; }

  // The data file whose graph file is attached; empty when none is.
  const std::filesystem::path& attachedDataFile() const { return source_; }
  // Where the last save kept a graph file it did not overwrite; empty when none.
  const std::filesystem::path& lastSetAside() const { return lastSetAside_; }

private:
  int report(int code, int detail, const char* where);
  void reportAttachment(int attached, int unattached);
  int writeCurveAt(Measurement& m, int s, int t, int k, bool& written);
  bool reopen(const std::filesystem::path& source);

  DataSetModel& model_;
  GraphFileStore& store_;
  Reporter& reporter_;
  FileSystem& fs_;
  std::function<FileStamp()> baseline_;
  std::optional<std::filesystem::path> override_;
  std::filesystem::path source_; // the data file whose graph file is open and indexed
  std::filesystem::path lastSetAside_;
  std::error_code lastError_;
  bool exactOnly_ = false;
  bool matchPointCounts_ = false; // attached to another state of the data file
  int unattached_ = 0;
  std::uint64_t gridVersion_ = 0;
  std::uint64_t openedVersion_ = 0;
  // Positions in the graph file being written, per measurement, applied after the rename.
  struct Written {
    int s, t, k;
    std::int32_t pos;
  };
  std::vector<Written> written_;
};

} // namespace zv
