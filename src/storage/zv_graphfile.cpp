#include "storage/zv_graphfile.hpp"

#include <climits>
#include <new>
#include <string>

namespace zv {

namespace {
std::size_t curveLength(const Measurement& m) {
  return std::min(static_cast<std::size_t>(std::max(m.pointCount, 0)), m.points.size());
}
void dropPoints(Measurement& m) {
  std::vector<double>().swap(m.points); // pointCount stays: the curve is still in a file
}
} // namespace

GraphFile::GraphFile(DataSetModel& model, GraphFileStore& store, Reporter& reporter, FileSystem& fs)
    : model_(model), store_(store), reporter_(reporter), fs_(fs) {}

int GraphFile::report(int code, int detail, const char* message) {
  return reporter_.reportError(code, detail, "", message ? message : "");
}

// ---- opening and indexing

int GraphFile::graphOpen(const std::filesystem::path& dataFile) {
  store_.GraphFileClose();
  source_.clear();
  unattached_ = 0;
  openedVersion_ = gridVersion_;
  store_.GraphFileSetDatafileName(override_ ? *override_ : dataFile);
  const int exists = store_.GraphFileIsFileExisting();
  if (exists == 0)
    return 0;
  if (exists < 0)
    return report(graph_code::ExistsFailed, exists, nullptr);
  if (int r = store_.GraphFileOpen(); r != 0)
    return report(graph_code::OpenFailed, r, nullptr);
  return 0;
}

int GraphFile::graphIndex() {
  DataSet* d = model_.dataSet();
  if (!d)
    return report(graph_code::ResetFailed, 0, nullptr);
  d->plotCount = 0;
  std::int32_t version = 0;
  if (store_.GraphFileReadVersion(version) != 0 || version != GraphFileVersion)
    return report(graph_code::BadVersion, version, nullptr);
  model_.resetGraphPositions();
  unattached_ = 0;
  int more = store_.GraphSetFileFirstPos();
  while (more > 0) {
    const std::uint64_t position = store_.GraphFileGetFilePos();
    GraphRecordHeader header;
    if (store_.datfileReadHeader(header) != 0)
      break; // a damaged or cut record ends the walk; the curves before it stay usable
    Measurement* m =
        model_.measurementAt(header.sampleIndex, header.storageIndex, header.measurementIndex);
    // A curve of a measurement that is gone is left out; so is one beyond what the
    // position field can address, and on another data file state one of another length.
    if (m && m->graphFilePos <= 0 && position <= static_cast<std::uint64_t>(INT32_MAX) &&
        (!matchPointCounts_ || header.pointCount == m->pointCount)) {
      m->graphFilePos = static_cast<std::int32_t>(position);
      ++d->plotCount;
    } else if (matchPointCounts_) {
      ++unattached_;
    }
    more = store_.GraphSetFileNextPos(header, position);
  }
  store_.GraphFileSetValid(true);
  return 0;
}

int GraphFile::graphLoad(const std::filesystem::path& dataFile) {
  if (dataFile.empty())
    return report(graph_code::NoPath, 0, nullptr);
  if (int r = graphOpen(dataFile); r < 0)
    return report(graph_code::LoadOpenFailed, r, nullptr);
  if (DataSet* d = model_.dataSet())
    d->plotCount = 0;
  if (!store_.GraphFileIsOpen())
    return 0;

  std::int32_t version = 0;
  const int v = store_.GraphFileReadVersion(version);
  if (v != 0 || version != GraphFileVersion) {
    store_.GraphFileClose();
    return report(graph_code::LoadIndexFailed, v != 0 ? v : graph_code::BadVersion,
                  "graph file of another version or damaged");
  }
  std::error_code ec;
  const FileStamp dataStamp = stampFile(fs_, dataFile, ec);
  const bool exact = dataStamp.valid && store_.GraphFileGetStamps().data == dataStamp;
  if (!exact && exactOnly_) {
    store_.GraphFileClose();
    return report(graph_code::StampMismatch, 0,
                  "graph file belongs to another state of the data file; curves not attached");
  }
  matchPointCounts_ = !exact;
  if (int r = graphIndex(); r < 0) {
    store_.GraphFileClose();
    return report(graph_code::LoadIndexFailed, r, nullptr);
  }
  if (!exact) {
    const DataSet* d = model_.dataSet();
    const int attached = d ? d->plotCount : 0;
    reportAttachment(attached, unattached_);
    if (attached == 0 && unattached_ > 0) {
      store_.GraphFileClose();
      model_.resetGraphPositions();
      return report(graph_code::StampMismatch, unattached_,
                    "graph file belongs to another state of the data file; no curve fits");
    }
  }
  source_ = override_ ? *override_ : dataFile;
  return 0;
}

void GraphFile::reportAttachment(int attached, int unattached) {
  static const TextPair text{
      "The graph file was saved with another state of the data file: %d curves attached, %d "
      "without a matching measurement",
      "Die Graphikdatei wurde mit einem anderen Stand der Datendatei gespeichert: %d Kurven "
      "zugeordnet, %d ohne passende Messung"};
  std::string line = model_.language().pick(text);
  for (int n : {attached, unattached})
    line.replace(line.find("%d"), 2, std::to_string(n));
  reporter_.reportMessage(report::LogOnly, report::KindNoPopup, "graphLoad()", line, 0);
}

// ---- reading one curve

int GraphFile::graphReadCurve(Measurement* m) {
  if (!store_.GraphFileIsOpen())
    return 0;
  if (!m)
    return report(graph_code::NoMeasurement, 0, nullptr);
  if (!store_.GraphFileIsValid()) {
    // Only while the grid is still the one the graph file was saved with.
    if (gridVersion_ != openedVersion_ || graphIndex() < 0)
      return report(graph_code::IndexFailed, 0, nullptr);
  }
  if (m->graphFilePos <= 0)
    return 0;
  if (store_.GraphFileSetFilePos(static_cast<std::uint64_t>(m->graphFilePos)) != 0)
    return report(graph_code::SeekFailed, 0, nullptr);
  GraphRecordHeader header;
  if (int r = store_.datfileReadHeader(header); r != 0)
    return report(graph_code::HeaderFailed, r, nullptr);
  m->curveRate = header.pointsPerSecond;
  m->pointCount = header.pointCount;
  if (header.pointCount <= 0)
    return 0;
  std::vector<double> points;
  try {
    points.reserve(static_cast<std::size_t>(header.pointCount));
  } catch (const std::bad_alloc&) {
    return report(graph_code::NoMemory, 0, nullptr);
  }
  if (int r = store_.GraphFileReadPoints(header, points); r != 0) {
    dropPoints(*m);
    return report(graph_code::ReadFailed, r, nullptr);
  }
  m->points = std::move(points);
  return 0;
}

// ---- writing

int GraphFile::writeCurveAt(Measurement& m, int s, int t, int k, bool& written) {
  written = false;
  bool loaded = false;
  if (!m.hasPoints()) {
    if (graphReadCurve(&m) < 0)
      return report(graph_code::WriteReadFailed, 0, nullptr);
    loaded = m.hasPoints();
  }
  const std::size_t n = curveLength(m);
  if (n == 0)
    return 0; // neither in memory nor in the graph file
  const std::uint64_t position = store_.GraphFileGetTempPos();
  if (position > static_cast<std::uint64_t>(INT32_MAX))
    return report(graph_code::WriteHeaderFailed, 0, "graph file larger than 2 GB");
  GraphRecordHeader header;
  GraphFileStore::GraphFileFillHeader(header, 8, static_cast<std::int32_t>(n), s, t, k,
                                      m.curveRate);
  if (int r = store_.datfileWriteHeader(header); r != 0)
    return report(graph_code::WriteHeaderFailed, r, nullptr);
  if (int r = store_.GraphFileWritePoints(m.points.data(), n); r != 0)
    return report(graph_code::WritePointsFailed, r, nullptr);
  written_.push_back({s, t, k, static_cast<std::int32_t>(position)});
  written = true;
  // A curve read only to be copied goes back out of memory; it is in both files now.
  if (loaded)
    dropPoints(m);
  return 0;
}

int GraphFile::graphWriteCurve(Measurement* m) {
  if (!m)
    return report(graph_code::WriteNoMeasurement, 0, nullptr);
  bool written = false;
  return writeCurveAt(*m, m->sampleIndex, m->storageIndex, m->measurementIndex, written);
}

int GraphFile::graphWriteAll() {
  DataSet* d = model_.dataSet();
  if (!d)
    return report(graph_code::NoDataSet, 0, nullptr);
  for (int s = 0; s < model_.sampleCount(); ++s) {
    Sample* sample = model_.sampleAt(s);
    if (!sample)
      return report(graph_code::NoSample, s, nullptr);
    for (int t = 0; t < static_cast<int>(sample->storages.size()); ++t) {
      StorageCondition* storage = model_.storageAt(s, t);
      if (!storage)
        return report(graph_code::NoStorage, t, nullptr);
      for (int k = 0; k < static_cast<int>(storage->measurements.size()); ++k) {
        Measurement* m = model_.measurementAt(s, t, k);
        if (!m)
          return report(graph_code::NoMeasurementAt, k, nullptr);
        bool written = false;
        if (int r = writeCurveAt(*m, s, t, k, written); r < 0)
          return report(graph_code::CurveFailed, r, nullptr);
      }
    }
  }
  return 0;
}

bool GraphFile::reopen(const std::filesystem::path& source) {
  source_.clear();
  if (source.empty())
    return false;
  store_.GraphFileSetDatafileName(source);
  std::int32_t version = 0;
  if (store_.GraphFileOpen() != 0 || store_.GraphFileReadVersion(version) != 0 ||
      version != GraphFileVersion) {
    store_.GraphFileClose();
    return false;
  }
  store_.GraphFileSetValid(true);
  source_ = source;
  return true;
}

int GraphFile::graphSave(const std::filesystem::path& dataFile) {
  if (int r = graphSavePrepare(dataFile, dataFile); r != 0)
    return r;
  return graphSaveCommit(dataFile);
}

int GraphFile::graphSavePrepare(const std::filesystem::path& dataFile,
                                const std::filesystem::path& writtenAs) {
  lastError_.clear();
  written_.clear();
  lastSetAside_.clear();
  if (store_.GraphFileIsOpen() && !store_.GraphFileIsValid()) {
    if (gridVersion_ != openedVersion_ || graphIndex() < 0)
      return report(graph_code::SaveIndexFailed, 0, nullptr);
  }
  std::error_code ec;
  const FileStamp dataStamp = stampFile(fs_, writtenAs, ec);
  if (!dataStamp.valid) {
    lastError_ = ec;
    return report(graph_code::VersionFailed, ec.value(), "data file cannot be read back");
  }
  const GraphFileStamps stamps{dataStamp, baseline_ ? baseline_() : FileStamp{}};

  if (int r = store_.GraphFileOpenTemp(dataFile); r != 0) {
    lastError_ = store_.lastError();
    return report(graph_code::TempFailed, lastError_.value(), nullptr);
  }
  if (int r = store_.GraphFileWriteVersion(GraphFileVersion, stamps); r != 0) {
    lastError_ = store_.lastError();
    store_.GraphFileAbandonTemp();
    return report(graph_code::VersionFailed, lastError_.value(), nullptr);
  }
  const int all = graphWriteAll();
  const int closed = all == 0 ? store_.GraphFileCloseTemp() : 0;
  if (all < 0 || closed != 0) {
    lastError_ = store_.lastError();
    store_.GraphFileAbandonTemp();
    written_.clear();
    return report(graph_code::WriteAllFailed, all < 0 ? all : lastError_.value(), nullptr);
  }
  // The old graph file stays open and attached until the commit.
  return 0;
}

void GraphFile::graphSaveAbandon() {
  store_.GraphFileAbandonTemp();
  written_.clear();
}

int GraphFile::graphSaveCommit(const std::filesystem::path& dataFile) {
  const std::filesystem::path old = source_;
  store_.GraphFileClose();
  // A graph file there that is not the one attached (or not attached whole) holds curves this
  // data set could not use; a copy of it is kept rather than overwriting them.
  if ((old != dataFile || unattached_ > 0) && fs_.exists(GraphFileStore::graphPathFor(dataFile))) {
    if (store_.GraphFileSetAside(dataFile, lastSetAside_) != 0) {
      lastError_ = store_.lastError();
      graphSaveAbandon();
      reopen(old);
      return report(graph_code::SetAsideFailed, lastError_.value(), nullptr);
    }
  }
  if (store_.GraphFileCopyTempAndDelete(dataFile) != 0) {
    lastError_ = store_.lastError();
    written_.clear();
    reopen(old);
    return report(graph_code::ReplaceFailed, lastError_.value(), nullptr);
  }

  // The new graph file is in place: from now on the curves are read from it.
  model_.resetGraphPositions();
  for (const Written& w : written_)
    if (Measurement* m = model_.measurementAt(w.s, w.t, w.k))
      m->graphFilePos = w.pos;
  if (DataSet* d = model_.dataSet())
    d->plotCount = static_cast<std::int32_t>(written_.size());
  openedVersion_ = gridVersion_;
  matchPointCounts_ = false; // the new graph file is of this very state
  unattached_ = 0;
  if (!reopen(dataFile)) {
    report(graph_code::OpenFailed, store_.lastError().value(), "new graph file cannot be opened");
    model_.resetGraphPositions();
  }
  written_.clear();
  return 0;
}

int GraphFile::graphFileCloseAll() {
  store_.GraphFileCloseAll();
  matchPointCounts_ = false;
  unattached_ = 0;
  source_.clear();
  written_.clear();
  return 0;
}

} // namespace zv
