#include "storage/zv_datafile_txt.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/zv_latin1.hpp"

namespace zv {

namespace {

constexpr const char* HeaderSection = "AUFTRAG";

// Keys, Latin-1.
constexpr const char* KeyProgramCode = "Programmkennung";
constexpr const char* KeyProgramVersion = "Programm-Version";
constexpr const char* KeySamples = "Proben";
constexpr const char* KeyStorages = "Lagerungen";
constexpr const char* KeyIdentNumber = "IDENT-Nummer";
constexpr const char* KeyIdentName = "IDENT-Name";
constexpr const char* KeyTitle = "Tabellen-Titel";
constexpr const char* KeySampleName = "Probenname";
constexpr const char* KeyMeasurements = "Messungen";
const char* const KeyRange = "Meßbereich"_l1;
constexpr const char* KeySpeed = "Abzug";
const char* const KeyArea = "Probenfläche"_l1;
constexpr const char* KeyStorageName = "Lagerungsname";
const char* const KeyEvaluation = "Ausriß(Summe)"_l1;
const char* const KeyForce = "Meßwert"_l1;
const char* const KeyPoints = "Meßpunkte"_l1;
constexpr const char* KeyStatistics = "Statistik";
constexpr const char* KeyStatus = "Status";
constexpr const char* KeyChannel = "Kanal";
const char* const KeyDeviceName = "Gerätename"_l1;

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
int getInt(IniDocument* doc, std::string_view section, const char* key, std::int32_t& field) {
  std::int32_t v = 0;
  const int r = Ini_GetInt(doc, section, key, &v);
  if (r == 1)
    field = v;
  return r;
}

int getDouble(IniDocument* doc, std::string_view section, const char* key, double& field) {
  double v = 0.0;
  const int r = Ini_GetDouble(doc, section, key, &v);
  if (r == 1)
    field = v;
  return r;
}

int getString(IniDocument* doc, std::string_view section, const char* key, std::string& field,
              std::size_t fieldSize) {
  std::string v;
  const int r = Ini_GetRawStringIntoBuffer(doc, section, key, &v, static_cast<int>(fieldSize));
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

bool TextDataFile::newDocument(const char* caller) {
  doc_ = Ini_New(0);
  if (!doc_) {
    logLine(caller, "Ini_New()", 0);
    return false;
  }
  // Thousands of keys: appending without searching for duplicates keeps the put constant-time.
  Ini_SetDuplicateChecking(doc_, 0);
  return true;
}

int TextDataFile::openTextWriteFile() {
  dataFileOpen_ = false;
  if (!newDocument("openTextWriteFile()"))
    return error(OpenWriteNoDocument);
  dataFileOpen_ = true;
  return 0;
}

int TextDataFile::closeTextWriteFile(const std::filesystem::path& path, int skipWrite) {
  if (!dataFileOpen_)
    return 0;
  dataFileOpen_ = false;
  int result = 0;
  lastError_.clear();
  if (skipWrite == 0) {
    result = Ini_WriteToFile(doc_, path, fs_, beforeReplace_, &lastError_);
    if (result != 0)
      logLine("closeTextWriteFile()", "Ini_WriteToFile()", result);
  }
  Ini_Dispose(doc_);
  return result;
}

int TextDataFile::openRead(const std::function<int(IniDocument*)>& read) {
  dataFileOpen_ = false;
  if (!newDocument("openTextReadFile()"))
    return error(OpenReadNoDocument);
  if (int r = read(doc_); r != 0) {
    logLine("openTextReadFile()", "Ini_ReadFromFile()", r);
    Ini_Dispose(doc_);
    return error(OpenReadFailed, r);
  }
  dataFileOpen_ = true;
  return 0;
}

int TextDataFile::openTextReadFile(const std::filesystem::path& path) {
  return openRead([&](IniDocument* doc) { return Ini_ReadFromFile(doc, path, fs_); });
}

int TextDataFile::openTextReadFile(ReadableFile& file) {
  return openRead([&](IniDocument* doc) { return Ini_ReadFromFile(doc, file); });
}

int TextDataFile::closeTextReadFile() {
  dataFileOpen_ = false;
  Ini_Dispose(doc_);
  return 0;
}

// ---- sections -------------------------------------------------------------------------------

int TextDataFile::writeHeader() {
  const DataSet* d = model_.dataSet();
  if (!d)
    return error(HeaderNoDataSet);
  IniDocument* doc = doc_;
  if (!doc)
    return error(HeaderNoDocument);
  int r = Ini_PutInt(doc, HeaderSection, KeyProgramCode, txtfile::ProgramCode);
  if (r == 0)
    r = Ini_PutInt(doc, HeaderSection, KeyProgramVersion, txtfile::ProgramVersion);
  if (r == 0)
    r = Ini_PutInt(doc, HeaderSection, KeySamples, model_.sampleCount());
  if (r == 0)
    r = Ini_PutInt(doc, HeaderSection, KeyStorages, model_.storageCount());
  if (r == 0)
    r = Ini_PutRawString(doc, HeaderSection, KeyIdentNumber, d->identNumber);
  if (r == 0)
    r = Ini_PutRawString(doc, HeaderSection, KeyIdentName, d->identName);
  if (r == 0)
    r = Ini_PutRawString(doc, HeaderSection, KeyTitle, d->title);
  return r == 0 ? 0 : error(HeaderPutFailed, r);
}

int TextDataFile::readHeader(int& sampleCount, int& storageCount) {
  DataSet* d = model_.dataSet();
  if (!d)
    return error(HeaderReadNoDataSet);
  IniDocument* doc = doc_;
  if (!doc)
    return error(HeaderReadNoDocument);
  if (Ini_SectionExists(doc, HeaderSection) != 1)
    return error(NoHeaderSection);

  std::int32_t code = 0;
  const int rc = Ini_GetInt(doc, HeaderSection, KeyProgramCode, &code);
  if (rc < 0)
    return error(BadProgramCode, rc);
  d->dataCode = rc == 1 ? code : 0;

  std::int32_t v = 0;
  int r = Ini_GetInt(doc, HeaderSection, KeySamples, &v);
  if (r == 0)
    return error(NoSamples);
  if (r < 0)
    return error(BadSamples, r);
  sampleCount = v;
  r = Ini_GetInt(doc, HeaderSection, KeyStorages, &v);
  if (r == 0)
    return error(NoStorages);
  if (r < 0)
    return error(BadStorages, r);
  storageCount = v;

  getString(doc, HeaderSection, KeyIdentNumber, d->identNumber, DataSet::IdentSize);
  getString(doc, HeaderSection, KeyIdentName, d->identName, DataSet::IdentSize);
  getString(doc, HeaderSection, KeyTitle, d->title, DataSet::TitleSize);
  return 0;
}

int TextDataFile::writeSample(const Sample* sample, int s) {
  if (!sample)
    return error(SampleWriteMissing);
  if (!doc_)
    return error(SampleWriteFailed);
  const SectionName section(s);
  const int r = Ini_PutRawString(doc_, section, KeySampleName, sample->name);
  return r == 0 ? 0 : error(SampleWriteFailed, r);
}

int TextDataFile::readSample(Sample* sample, int s) {
  if (!sample)
    return error(SampleReadMissing);
  if (!doc_)
    return error(SampleReadNoDocument);
  const SectionName section(s);
  if (Ini_SectionExists(doc_, section) != 1)
    return noteMissing(section);
  getString(doc_, section, KeySampleName, sample->name, Sample::NameSize);
  return 0;
}

int TextDataFile::writeStorage(const StorageCondition* storage, int s, int t) {
  if (!storage)
    return error(StorageWriteMissing);
  IniDocument* doc = doc_;
  if (!doc)
    return error(StorageWriteNoDocument);
  const SectionName section(s, t);
  int key = 0;
  int r = Ini_PutInt(doc, section, KeyMeasurements,
                     static_cast<std::int32_t>(storage->measurements.size()));
  if (r == 0 && (key = 1, r = Ini_PutDouble(doc, section, KeyRange, storage->range)) == 0 &&
      (key = 2, r = Ini_PutDouble(doc, section, KeySpeed, storage->speed)) == 0 &&
      (key = 3, r = Ini_PutDouble(doc, section, KeyArea, storage->area)) == 0 &&
      (key = 4, r = Ini_PutRawString(doc, section, KeyStorageName, storage->name)) == 0 &&
      (key = 5, r = Ini_PutRawString(doc, section, KeyEvaluation, storage->evaluation)) == 0)
    return 0;
  return error(StorageWriteKey - key, r);
}

int TextDataFile::readStorage(StorageCondition* storage, int s, int t, int& measurementCount) {
  if (!storage)
    return error(StorageReadMissing);
  IniDocument* doc = doc_;
  if (!doc)
    return error(StorageReadNoDocument);
  const SectionName section(s, t);
  if (Ini_SectionExists(doc, section) != 1)
    return noteMissing(section);
  std::int32_t count = measurementCount;
  int key = 0;
  int r = getInt(doc, section, KeyMeasurements, count);
  if (r >= 0 && (key = 1, r = getDouble(doc, section, KeyRange, storage->range)) >= 0 &&
      (key = 2, r = getDouble(doc, section, KeySpeed, storage->speed)) >= 0 &&
      (key = 3, r = getDouble(doc, section, KeyArea, storage->area)) >= 0 &&
      (key = 4, r = getString(doc, section, KeyStorageName, storage->name,
                              StorageCondition::NameSize)) >= 0 &&
      (key = 5, r = getString(doc, section, KeyEvaluation, storage->evaluation,
                              StorageCondition::EvaluationSize)) >= 0) {
    measurementCount = count;
    return 0;
  }
  return error(StorageReadKey - key, r);
}

int TextDataFile::writeMeasurement(const Measurement* m, int s, int t, int k) {
  if (!m)
    return error(MeasWriteMissing);
  IniDocument* doc = doc_;
  if (!doc)
    return error(MeasWriteNoDocument);
  const SectionName section(s, t, k);
  int key = 0;
  int r = Ini_PutDouble(doc, section, KeyForce, m->force);
  if (r == 0 && (key = 1, r = Ini_PutInt(doc, section, KeyPoints, m->pointCount)) == 0 &&
      (key = 2, r = Ini_PutInt(doc, section, KeyStatistics, m->inStatistics)) == 0 &&
      (key = 3, r = Ini_PutInt(doc, section, KeyStatus, m->status)) == 0 &&
      (key = 4, r = Ini_PutDouble(doc, section, KeyRange, m->range)) == 0 &&
      (key = 5, r = Ini_PutDouble(doc, section, KeyArea, m->area)) == 0 &&
      (key = 6, r = Ini_PutInt(doc, section, KeyChannel, m->channel)) == 0 &&
      (key = 7, r = Ini_PutRawString(doc, section, KeyDeviceName, m->deviceName)) == 0)
    return 0;
  return error(MeasWriteKey - key, r);
}

int TextDataFile::readMeasurement(Measurement* m, int s, int t, int k) {
  if (!m)
    return error(MeasReadMissing);
  IniDocument* doc = doc_;
  if (!doc)
    return error(MeasReadNoDocument);
  const SectionName section(s, t, k);
  if (Ini_SectionExists(doc, section) != 1)
    return noteMissing(section);
  int key = 0;
  int r = getDouble(doc, section, KeyForce, m->force);
  if (r >= 0 && (key = 1, r = getInt(doc, section, KeyPoints, m->pointCount)) >= 0 &&
      (key = 2, r = getInt(doc, section, KeyStatistics, m->inStatistics)) >= 0 &&
      (key = 3, r = getInt(doc, section, KeyStatus, m->status)) >= 0 &&
      (key = 4, r = getDouble(doc, section, KeyRange, m->range)) >= 0 &&
      (key = 5, r = getDouble(doc, section, KeyArea, m->area)) >= 0 &&
      (key = 6, r = getInt(doc, section, KeyChannel, m->channel)) >= 0 &&
      (key = 7,
       r = getString(doc, section, KeyDeviceName, m->deviceName, Measurement::DeviceNameSize)) >= 0)
    return 0;
  return error(MeasReadKey - key, r);
}

// ---- the whole data set ---------------------------------------------------------------------

int TextDataFile::writeTextDataSet(int sampleCount, int storageCount, Progress* progress) {
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
    }
  }
  replaced_ = countListReplacements(model_);
  if (model_.renumber() != 0)
    return error(ReadRenumber);
  return 0;
}

} // namespace zv
