#include "storage/zv_datafile_txt.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/zv_latin1.hpp"

namespace zv {

namespace {

constexpr const char* HeaderSection = "AUFTRAG";

// Keys, Latin-1.
const IniKey KeyProgramCode{"Programmkennung"};
const IniKey KeyProgramVersion{"Programm-Version"};
const IniKey KeySamples{"Proben"};
const IniKey KeyStorages{"Lagerungen"};
const IniKey KeyIdentNumber{"IDENT-Nummer"};
const IniKey KeyIdentName{"IDENT-Name"};
const IniKey KeyTitle{"Tabellen-Titel"};
const IniKey KeySampleName{"Probenname"};
const IniKey KeyMeasurements{"Messungen"};
const IniKey KeyRange{"Meßbereich"_l1};
const IniKey KeySpeed{"Abzug"};
const IniKey KeyArea{"Probenfläche"_l1};
const IniKey KeyStorageName{"Lagerungsname"};
const IniKey KeyEvaluation{"Ausriß(Summe)"_l1};
const IniKey KeyForce{"Meßwert"_l1};
const IniKey KeyPoints{"Meßpunkte"_l1};
const IniKey KeyStatistics{"Statistik"};
const IniKey KeyStatus{"Status"};
const IniKey KeyChannel{"Kanal"};
const IniKey KeyDeviceName{"Gerätename"_l1};

// Codes.
enum DatafileTxtCode : int {
  HeaderNoDataSet = -1501,
  HeaderNoDocument = -1502,
  HeaderPutFailed = -1503,
  HeaderReadNoDataSet = -1504,
  HeaderReadNoDocument = -1505,
  NoHeaderSection = -1506,
  BadProgramCode = -1508,
  NoSamples = -1509,
  BadSamples = -1510,
  NoStorages = -1511,
  BadStorages = -1512,
  SampleWriteMissing = -1520,
  SampleWriteFailed = -1521,
  SampleReadMissing = -1522,
  SampleReadNoDocument = -1523,
  StorageWriteMissing = -1530,
  StorageWriteNoDocument = -1531,
  StorageWriteKey = -1532, // + key position
  StorageReadMissing = -1540,
  StorageReadNoDocument = -1541,
  StorageReadKey = -1542, // + key position
  MeasWriteMissing = -1550,
  MeasWriteNoDocument = -1551,
  MeasWriteKey = -1552,
  MeasReadMissing = -1560,
  MeasReadNoDocument = -1561,
  MeasReadKey = -1562,
  // A storage always has its measurement list, so there is no "list missing" code for it.
  WriteHeaderStep = -1570,
  WriteNoSamples = -1571,
  WriteSampleStep = -1572,
  WriteNoStorages = -1573,
  WriteStorageStep = -1574,
  WriteMeasurementStep = -1576,
  OpenWriteNoDocument = -1578,
  ReadHeaderStep = -1580,
  ReadAddSamples = -1581,
  ReadAddStorages = -1582,
  ReadNoSample = -1583,
  ReadSampleStep = -1584,
  ReadStopped = -1585,
  ReadNoStorage = -1586,
  ReadStorageStep = -1587,
  ReadAddMeasurements = -1588,
  ReadNoMeasurement = -1589,
  ReadMeasurementStep = -1590,
  ReadRenumber = -1591,
  OpenReadNoDocument = -1592,
  OpenReadFailed = -1593,
};

// "Probe-s", "Probe-s/Lagerung-t", "Probe-s/Lagerung-t/Messung-m" from 0-based indices.
class SectionName {
public:
  explicit SectionName(int s) { part("Probe-", s); }
  SectionName(int s, int t) : SectionName(s) { part("/Lagerung-", t); }
  SectionName(int s, int t, int m) : SectionName(s, t) { part("/Messung-", m); }
  std::string_view view() const { return {buf_, len_}; }
  operator std::string_view() const { return view(); }

private:
  void part(std::string_view word, int index) {
    std::memcpy(buf_ + len_, word.data(), word.size());
    len_ += word.size();
    auto r = std::to_chars(buf_ + len_, buf_ + sizeof buf_, static_cast<long long>(index) + 1);
    len_ = static_cast<std::size_t>(r.ptr - buf_);
  }
  char buf_[96];
  std::size_t len_ = 0;
};

// Reads an optional key: 1 found (field set), 0 absent (field kept), negative: not convertible.
int getInt(const IniSection& section, const IniKey& key, std::int32_t& field) {
  std::int32_t v = 0;
  const int r = section.getInt(key, &v);
  if (r == 1)
    field = v;
  return r;
}

int getDouble(const IniSection& section, const IniKey& key, double& field) {
  double v = 0.0;
  const int r = section.getDouble(key, &v);
  if (r == 1)
    field = v;
  return r;
}

template <class Text>
int getString(const IniSection& section, const IniKey& key, Text& field, std::size_t fieldSize) {
  std::string v;
  const int r = section.getRawString(key, &v, static_cast<int>(fieldSize));
  if (r == 1)
    field = std::move(v);
  return r;
}

} // namespace

TextDataFile::TextDataFile(DataSetModel& model, Reporter& reporter, FileSystem& fs)
    : model_(model), reporter_(reporter), fs_(fs) {}

void TextDataFile::logLine(const char* title, const char* text, int code) {
  reporter_.reportMessage(report::LogOnly, report::KindNoPopup, title, text, code);
}

// ---- opening and closing --------------------------------------------------------------------

int TextDataFile::openTextWriteFile(const std::filesystem::path& path) {
  writePath_ = path;
  writeResult_ = 0;
  dataFileOpen_ = true;
  return 0;
}

int TextDataFile::closeTextWriteFile(const std::filesystem::path&, int skipWrite) {
  if (!dataFileOpen_)
    return 0;
  dataFileOpen_ = false;
  const int result = skipWrite == 0 ? writeResult_ : 0;
  if (result != 0)
    logLine("closeTextWriteFile()", "Ini_WriteToFile()", result);
  return result;
}

int TextDataFile::startReading(ReadableFile& file) {
  try {
    passed_ = Ini_New(0);
    reader_ = std::make_unique<IniSectionReader>(file);
  } catch (const std::bad_alloc&) {
    passed_.reset();
  }
  if (!passed_) {
    logLine("openTextReadFile()", "Ini_New()", 0);
    return error(OpenReadNoDocument);
  }
  Ini_SetDuplicateChecking(passed_, 0);
  // The first section is read now, so that a file that cannot be read at all fails here.
  const int r = reader_->next();
  if (r < 0) {
    logLine("openTextReadFile()", "Ini_ReadFromFile()", r);
    stopReading();
    return error(OpenReadFailed, r);
  }
  readAt_ = r == 1 ? ReadAt::Current : ReadAt::End;
  dataFileOpen_ = true;
  return 0;
}

void TextDataFile::stopReading() {
  dataFileOpen_ = false;
  reader_.reset();
  ownedFile_.reset();
  Ini_Dispose(passed_);
  anyPassed_ = false;
  readAt_ = ReadAt::End;
}

int TextDataFile::openTextReadFile(const std::filesystem::path& path) {
  stopReading();
  if (fs_.openRead(path, ownedFile_)) {
    logLine("openTextReadFile()", "Ini_ReadFromFile()", IniCannotOpen);
    return error(OpenReadFailed, IniCannotOpen);
  }
  return startReading(*ownedFile_);
}

int TextDataFile::openTextReadFile(ReadableFile& file) {
  stopReading();
  return startReading(file);
}

int TextDataFile::closeTextReadFile() {
  stopReading();
  return 0;
}

int TextDataFile::findSection(std::string_view name, IniSection& found) {
  found = {};
  if (anyPassed_ && (found = Ini_FindSection(passed_, name)))
    return 0;
  for (;;) {
    if (readAt_ == ReadAt::Advance) {
      const int r = reader_->next();
      if (r < 0) {
        readAt_ = ReadAt::End;
        logLine("openTextReadFile()", "Ini_ReadFromFile()", r);
        return error(OpenReadFailed, r);
      }
      readAt_ = r == 1 ? ReadAt::Current : ReadAt::End;
    }
    if (readAt_ == ReadAt::End)
      return 0;
    const IniSection next = reader_->section();
    readAt_ = ReadAt::Advance;
    if (Ini_SameName(next.name(), name)) {
      found = next;
      return 0;
    }
    if (const int r = reader_->copyTo(passed_); r != 0) {
      logLine("openTextReadFile()", "Ini_ReadFromFile()", r);
      return error(OpenReadFailed, r);
    }
    anyPassed_ = true;
  }
}

// ---- sections -------------------------------------------------------------------------------

int TextDataFile::writeHeader() {
  const DataSet* d = model_.dataSet();
  if (!d)
    return error(HeaderNoDataSet);
  IniTextWriter* w = writer_;
  if (!w)
    return error(HeaderNoDocument);
  int r = w->section(HeaderSection);
  if (r == 0)
    r = w->putInt(KeyProgramCode, txtfile::ProgramCode);
  if (r == 0)
    r = w->putInt(KeyProgramVersion, txtfile::ProgramVersion);
  if (r == 0)
    r = w->putInt(KeySamples, model_.sampleCount());
  if (r == 0)
    r = w->putInt(KeyStorages, model_.storageCount());
  if (r == 0)
    r = w->putRawString(KeyIdentNumber, d->identNumber);
  if (r == 0)
    r = w->putRawString(KeyIdentName, d->identName);
  if (r == 0)
    r = w->putRawString(KeyTitle, d->title);
  return r == 0 ? 0 : error(HeaderPutFailed, r);
}

int TextDataFile::readHeader(int& sampleCount, int& storageCount) {
  DataSet* d = model_.dataSet();
  if (!d)
    return error(HeaderReadNoDataSet);
  if (!reader_)
    return error(HeaderReadNoDocument);
  IniSection section;
  if (const int r = findSection(HeaderSection, section); r != 0)
    return r;
  if (!section)
    return error(NoHeaderSection);

  std::int32_t code = 0;
  const int rc = section.getInt(KeyProgramCode, &code);
  if (rc < 0)
    return error(BadProgramCode, rc);
  d->dataCode = rc == 1 ? code : 0;

  std::int32_t v = 0;
  int r = section.getInt(KeySamples, &v);
  if (r == 0)
    return error(NoSamples);
  if (r < 0)
    return error(BadSamples, r);
  sampleCount = v;
  r = section.getInt(KeyStorages, &v);
  if (r == 0)
    return error(NoStorages);
  if (r < 0)
    return error(BadStorages, r);
  storageCount = v;

  getString(section, KeyIdentNumber, d->identNumber, DataSet::IdentSize);
  getString(section, KeyIdentName, d->identName, DataSet::IdentSize);
  getString(section, KeyTitle, d->title, DataSet::TitleSize);
  return 0;
}

int TextDataFile::writeSample(const Sample* sample, int s) {
  if (!sample)
    return error(SampleWriteMissing);
  if (!writer_)
    return error(SampleWriteFailed);
  int r = writer_->section(SectionName(s));
  if (r == 0)
    r = writer_->putRawString(KeySampleName, sample->name);
  return r == 0 ? 0 : error(SampleWriteFailed, r);
}

int TextDataFile::readSample(Sample* sample, int s) {
  if (!sample)
    return error(SampleReadMissing);
  if (!reader_)
    return error(SampleReadNoDocument);
  const SectionName name(s);
  IniSection section;
  if (const int r = findSection(name, section); r != 0)
    return r;
  if (!section)
    return noteMissing(name);
  getString(section, KeySampleName, sample->name, Sample::NameSize);
  return 0;
}

int TextDataFile::writeStorage(const StorageCondition* storage, int s, int t) {
  if (!storage)
    return error(StorageWriteMissing);
  IniTextWriter* w = writer_;
  if (!w)
    return error(StorageWriteNoDocument);
  int key = 0;
  int r = w->section(SectionName(s, t));
  if (r == 0)
    r = w->putInt(KeyMeasurements, static_cast<std::int32_t>(storage->measurements.size()));
  if (r == 0 && (key = 1, r = w->putDouble(KeyRange, storage->range)) == 0 &&
      (key = 2, r = w->putDouble(KeySpeed, storage->speed)) == 0 &&
      (key = 3, r = w->putDouble(KeyArea, storage->area)) == 0 &&
      (key = 4, r = w->putRawString(KeyStorageName, storage->name)) == 0 &&
      (key = 5, r = w->putRawString(KeyEvaluation, storage->evaluation)) == 0)
    return 0;
  return error(StorageWriteKey - key, r);
}

int TextDataFile::readStorage(StorageCondition* storage, int s, int t, int& measurementCount) {
  if (!storage)
    return error(StorageReadMissing);
  if (!reader_)
    return error(StorageReadNoDocument);
  const SectionName name(s, t);
  IniSection section;
  if (const int r = findSection(name, section); r != 0)
    return r;
  if (!section)
    return noteMissing(name);
  std::int32_t count = measurementCount;
  int key = 0;
  int r = getInt(section, KeyMeasurements, count);
  if (r >= 0 && (key = 1, r = getDouble(section, KeyRange, storage->range)) >= 0 &&
      (key = 2, r = getDouble(section, KeySpeed, storage->speed)) >= 0 &&
      (key = 3, r = getDouble(section, KeyArea, storage->area)) >= 0 &&
      (key = 4,
       r = getString(section, KeyStorageName, storage->name, StorageCondition::NameSize)) >= 0 &&
      (key = 5, r = getString(section, KeyEvaluation, storage->evaluation,
                              StorageCondition::EvaluationSize)) >= 0) {
    measurementCount = count;
    return 0;
  }
  return error(StorageReadKey - key, r);
}

int TextDataFile::writeMeasurement(const Measurement* m, int s, int t, int k) {
  if (!m)
    return error(MeasWriteMissing);
  IniTextWriter* w = writer_;
  if (!w)
    return error(MeasWriteNoDocument);
  int key = 0;
  int r = w->section(SectionName(s, t, k));
  if (r == 0)
    r = w->putDouble(KeyForce, m->force);
  if (r == 0 && (key = 1, r = w->putInt(KeyPoints, m->pointCount)) == 0 &&
      (key = 2, r = w->putInt(KeyStatistics, m->inStatistics)) == 0 &&
      (key = 3, r = w->putInt(KeyStatus, m->status)) == 0 &&
      (key = 4, r = w->putDouble(KeyRange, m->range)) == 0 &&
      (key = 5, r = w->putDouble(KeyArea, m->area)) == 0 &&
      (key = 6, r = w->putInt(KeyChannel, m->channel)) == 0 &&
      (key = 7, r = w->putRawString(KeyDeviceName, m->deviceName)) == 0)
    return 0;
  return error(MeasWriteKey - key, r);
}

int TextDataFile::readMeasurement(Measurement* m, int s, int t, int k) {
  if (!m)
    return error(MeasReadMissing);
  if (!reader_)
    return error(MeasReadNoDocument);
  const SectionName name(s, t, k);
  IniSection section;
  if (const int r = findSection(name, section); r != 0)
    return r;
  if (!section)
    return noteMissing(name);
  int key = 0;
  int r = getDouble(section, KeyForce, m->force);
  if (r >= 0 && (key = 1, r = getInt(section, KeyPoints, m->pointCount)) >= 0 &&
      (key = 2, r = getInt(section, KeyStatistics, m->inStatistics)) >= 0 &&
      (key = 3, r = getInt(section, KeyStatus, m->status)) >= 0 &&
      (key = 4, r = getDouble(section, KeyRange, m->range)) >= 0 &&
      (key = 5, r = getDouble(section, KeyArea, m->area)) >= 0 &&
      (key = 6, r = getInt(section, KeyChannel, m->channel)) >= 0 &&
      (key = 7,
       r = getString(section, KeyDeviceName, m->deviceName, Measurement::DeviceNameSize)) >= 0)
    return 0;
  return error(MeasReadKey - key, r);
}

// ---- the whole data set ---------------------------------------------------------------------

int TextDataFile::writeTextDataSet(int sampleCount, int storageCount, Progress* progress) {
  if (!dataFileOpen_)
    return writeSections(sampleCount, storageCount, progress); // fails: nothing to write to
  lastError_.clear();
  int produced = 0;
  writeResult_ = IniTextWriter::writeFile(
      writePath_, fs_, beforeReplace_, &lastError_,
      [&](IniTextWriter& writer) {
        writer_ = &writer;
        const int r = writeSections(sampleCount, storageCount, progress);
        writer_ = nullptr;
        return r;
      },
      produced);
  return produced;
}

int TextDataFile::writeSections(int sampleCount, int storageCount, Progress* progress) {
  const double step = 100.0 / (sampleCount > 0 ? sampleCount : 1);
  if (writeHeader() != 0)
    return error(WriteHeaderStep);
  DataSet* d = model_.dataSet();
  if (!d)
    return error(WriteNoSamples);
  for (int i = 0; i < sampleCount; ++i) {
    const Sample* s = model_.sampleAt(i);
    if (writeSample(s, i) != 0)
      return error(WriteSampleStep);
    for (int j = 0; j < storageCount; ++j) {
      const StorageCondition* t = model_.storageAt(i, j);
      if (!t)
        return error(WriteNoStorages);
      if (writeStorage(t, i, j) != 0)
        return error(WriteStorageStep);
      for (int k = 0; k < static_cast<int>(t->measurements.size()); ++k)
        if (writeMeasurement(&t->measurements[static_cast<std::size_t>(k)], i, j, k) != 0)
          return error(WriteMeasurementStep);
    }
    if (progress && progress->update(static_cast<int>((i + 1) * step)))
      return 1;
  }
  return 0;
}

int TextDataFile::noteMissing(std::string_view section) {
  if (firstMissing_.empty())
    firstMissing_ = section;
  return 0;
}

int TextDataFile::readTextDataSet(Progress* progress) {
  replaced_ = {};
  firstMissing_.clear();
  int fileSamples = 0;
  int fileStorages = 0;
  counts_ = {};
  if (readHeader(fileSamples, fileStorages) != 0)
    return error(ReadHeaderStep);
  counts_ = {fileSamples, fileStorages};
  const DataSetLimits& limits = model_.limits();
  const int samples = std::max(1, std::min(limits.maxSamples, fileSamples));
  const int storages = std::max(1, std::min(limits.maxStorages, fileStorages));
  if (model_.addSamples(samples) != 0)
    return error(ReadAddSamples);
  if (model_.addStorages(storages) != 0)
    return error(ReadAddStorages);

  const double step = 100.0 / samples;
  for (int i = 0; i < samples; ++i) {
    Sample* s = model_.sampleAt(i);
    if (!s)
      return error(ReadNoSample);
    if (readSample(s, i) != 0)
      return error(ReadSampleStep);
    if (progress && progress->update(static_cast<int>((i + 1) * step)))
      return error(ReadStopped);
    for (int j = 0; j < storages; ++j) {
      StorageCondition* t = model_.storageAt(i, j);
      if (!t)
        return error(ReadNoStorage);
      // Without "Messungen" the storage keeps the measurement it was created with.
      int count = static_cast<int>(t->measurements.size());
      if (readStorage(t, i, j, count) != 0)
        return error(ReadStorageStep);
      if (model_.addMeasurements(i, j, count) != 0)
        return error(ReadAddMeasurements, count);
      for (int k = 0; k < count; ++k) {
        Measurement* m = model_.measurementAt(i, j, k);
        if (!m)
          return error(ReadNoMeasurement);
        // The file holds no speed of its own for a measurement: it is its storage's.
        m->speed = t->speed;
        if (readMeasurement(m, i, j, k) != 0)
          return error(ReadMeasurementStep);
      }
      model_.renumberSeries(i, j, DataSetModel::Changes::Clear);
    }
  }
  replaced_ = countListReplacements(model_);
  if (model_.renumber(DataSetModel::Changes::Clear, DataSetModel::Series::Renumbered) != 0)
    return error(ReadRenumber);
  return 0;
}

} // namespace zv
