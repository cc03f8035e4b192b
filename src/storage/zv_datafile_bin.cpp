#include "storage/zv_datafile_bin.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "platform/zv_latin1.hpp"
#include "platform/zv_little_endian.hpp"
#include "platform/zv_path_bytes.hpp"

namespace zv {

namespace {

// ---- fixed-size text fields ----------------------------------------------------------------

// The text, cut so that its terminating NUL fits, then zeros to the end of the field.
void putText(char* p, std::string_view text, std::size_t field) {
  std::size_t n = std::min(text.size(), field - 1);
  if (const void* nul = std::memchr(text.data(), '\0', n))
    n = static_cast<std::size_t>(static_cast<const char*>(nul) - text.data());
  std::memcpy(p, text.data(), n);
  std::memset(p + n, 0, field - n);
}

// A field without a NUL ends at its size - 1 bytes; nothing past the field is looked at.
std::string_view getText(const char* p, std::size_t field) {
  const void* nul = std::memchr(p, '\0', field - 1);
  return {p, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - p) : field - 1};
}

// ---- streaming input ------------------------------------------------------------------------

// Sequential reads with a known total size, so every count can be checked against what is
// left before anything is allocated for it.
class ByteReader {
public:
  ByteReader(ReadableFile& file, std::uint64_t size) : file_(file), total_(size) {}

  std::uint64_t remaining() const { return total_ - consumed_; }
  std::error_code error() const { return error_; }

  // n bytes (n <= Capacity) valid until the next call, or nullptr at the end or on an error.
  const char* take(std::size_t n) {
    if (n > remaining())
      return nullptr;
    if (end_ - pos_ < n && !fill(n))
      return nullptr;
    const char* p = buffer_.data() + pos_;
    pos_ += n;
    consumed_ += n;
    return p;
  }

  bool skip(std::uint64_t n) {
    if (n > remaining())
      return false;
    const std::uint64_t buffered = end_ - pos_;
    if (n <= buffered) {
      pos_ += static_cast<std::size_t>(n);
      consumed_ += n;
      return true;
    }
    consumed_ += n;
    pos_ = end_ = 0;
    error_ = file_.seek(consumed_);
    return !error_;
  }

private:
  static constexpr std::size_t Capacity = std::size_t{1} << 20;

  bool fill(std::size_t n) {
    if (buffer_.empty())
      buffer_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(Capacity, total_)));
    const std::size_t left = end_ - pos_;
    std::memmove(buffer_.data(), buffer_.data() + pos_, left);
    pos_ = 0;
    end_ = left;
    while (end_ < n) {
      std::size_t got = 0;
      error_ = file_.read(buffer_.data() + end_, buffer_.size() - end_, got);
      if (error_ || got == 0)
        return false;
      end_ += got;
    }
    return true;
  }

  ReadableFile& file_;
  std::uint64_t total_;
  std::uint64_t consumed_ = 0;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::error_code error_;
};

struct Layout {
  std::size_t sample;
  std::size_t storage;
  std::size_t measurement;
};
constexpr Layout CurrentLayout{binfile::SampleSize, binfile::StorageSize, binfile::MeasurementSize};
constexpr Layout OldLayout{binfile::OldSampleSize, binfile::OldStorageSize,
                           binfile::OldMeasurementSize};

bool sameNameIgnoringCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    return up(x) == up(y);
  });
}

const TextPair TruncatedText{"The data set file ends before the data it announces",
                             "Die Datensatzdatei endet vor den angekündigten Daten"_l1};
const TextPair NegativeText{"The data set file holds a negative count",
                            "Die Datensatzdatei enthält eine negative Anzahl"_l1};
const TextPair DataCodeText{"The file is no data set file of a known layout, data code",
                            "Die Datei ist keine Datensatzdatei bekannten Formats, Datencode"_l1};
const TextPair TooManyText{"measurements in the file, at most allowed:",
                           "Messungen in der Datei, höchstens erlaubt:"_l1};
const TextPair WhereSample{"sample", "Probe"};
const TextPair WhereStorage{"storage", "Lagerung"};

} // namespace

// ---- packers --------------------------------------------------------------------------------

namespace binfile {

std::size_t packHeader(const DataSet& d, std::int32_t samples, std::int32_t storages, char* out) {
  le::putI32(out, DataCode);
  le::putI32(out + 4, ProgramVersion);
  le::putI32(out + 8, 0);
  le::putI32(out + 12, samples);
  le::putI32(out + 16, storages);
  putText(out + 20, d.identNumber, DataSet::IdentSize);
  putText(out + 100, d.identName, DataSet::IdentSize);
  putText(out + 180, d.title, DataSet::TitleSize);
  return HeaderSize;
}

std::size_t packSample(const Sample& s, char* out) {
  le::putI32(out, s.index);
  putText(out + 4, s.name, Sample::NameSize);
  return SampleSize;
}

std::size_t packStorage(const StorageCondition& t, std::int32_t measurementCount, char* out) {
  le::putI32(out, t.sampleIndex);
  le::putI32(out + 4, t.storageIndex);
  le::putI32(out + 8, measurementCount);
  le::putF64(out + 12, t.range);
  le::putF64(out + 20, t.speed);
  le::putF64(out + 28, t.area);
  putText(out + 36, t.name, StorageCondition::NameSize);
  putText(out + 66, t.evaluation, StorageCondition::EvaluationSize);
  return StorageSize;
}

std::size_t packMeasurement(const Measurement& m, char* out) {
  le::putI32(out, m.sampleIndex);
  le::putI32(out + 4, m.storageIndex);
  le::putI32(out + 8, m.measurementIndex);
  le::putI32(out + 12, m.pointCount);
  le::putI32(out + 16, m.inStatistics);
  le::putI32(out + 20, m.status);
  le::putI32(out + 24, m.channel);
  le::putI32(out + 28, m.curveRate);
  le::putF64(out + 32, m.force);
  le::putF64(out + 40, m.range);
  le::putF64(out + 48, m.area);
  le::putF64(out + 56, m.speed);
  putText(out + 64, m.deviceName, Measurement::DeviceNameSize);
  return MeasurementSize;
}

// ---- unpackers ------------------------------------------------------------------------------

void unpackHeaderTexts(const char* afterCode, bool old, DataSet& d) {
  d.identNumber = getText(afterCode + 16, DataSet::IdentSize);
  d.identName = getText(afterCode + 96, DataSet::IdentSize);
  d.title = getText(afterCode + (old ? 220 : 176), DataSet::TitleSize);
}

void unpackSample(const char* p, bool old, Sample& s) {
  if (old) {
    s.index = le::getI32(p + 4);
    s.name = getText(p + 8, Sample::NameSize);
  } else {
    s.index = le::getI32(p);
    s.name = getText(p + 4, Sample::NameSize);
  }
}

void unpackStorage(const char* p, bool old, StorageCondition& t) {
  if (old) {
    const char* image = p + 4;
    t.sampleIndex = le::getI32(image + 4);
    t.storageIndex = le::getI32(image + 8);
    t.name = getText(image + 16, StorageCondition::NameSize);
    t.range = le::getF64(image + 88);
    t.speed = le::getF64(image + 96);
    t.area = le::getF64(image + 104);
    t.evaluation = getText(image + 112, StorageCondition::EvaluationSize);
  } else {
    t.sampleIndex = le::getI32(p);
    t.storageIndex = le::getI32(p + 4);
    t.range = le::getF64(p + 12);
    t.speed = le::getF64(p + 20);
    t.area = le::getF64(p + 28);
    t.name = getText(p + 36, StorageCondition::NameSize);
    t.evaluation = getText(p + 66, StorageCondition::EvaluationSize);
  }
}

void unpackMeasurement(const char* p, bool old, Measurement& m) {
  if (old) {
    m.pointCount = le::getI32(p);
    m.sampleIndex = le::getI32(p + 12);
    m.storageIndex = le::getI32(p + 16);
    m.measurementIndex = le::getI32(p + 20);
    m.inStatistics = le::getI32(p + 24);
    m.force = le::getF64(p + 32);
    m.range = le::getF64(p + 48);
    m.area = le::getF64(p + 56);
    m.speed = le::getF64(p + 64);
    m.channel = le::getI32(p + 72);
    m.deviceName = getText(p + 76, Measurement::DeviceNameSize);
    m.status = le::getI32(p + 144);
  } else {
    m.sampleIndex = le::getI32(p);
    m.storageIndex = le::getI32(p + 4);
    m.measurementIndex = le::getI32(p + 8);
    m.pointCount = le::getI32(p + 12);
    m.inStatistics = le::getI32(p + 16);
    m.status = le::getI32(p + 20);
    m.channel = le::getI32(p + 24);
    m.curveRate = le::getI32(p + 28);
    m.force = le::getF64(p + 32);
    m.range = le::getF64(p + 40);
    m.area = le::getF64(p + 48);
    m.speed = le::getF64(p + 56);
    m.deviceName = getText(p + 64, Measurement::DeviceNameSize);
  }
}

} // namespace binfile

// ---- the module -----------------------------------------------------------------------------

BinaryDataFile::BinaryDataFile(DataSetModel& model, Reporter& reporter, const Language& lang,
                               FileSystem& fs)
    : model_(model), reporter_(reporter), lang_(lang), fs_(fs) {}

BinaryDataFile::~BinaryDataFile() = default; // an unfinished write file is removed

int BinaryDataFile::fail(const char* title, const char* text, int code, int detail) {
  reporter_.reportError(code, detail, title, text);
  std::string line = title;
  if (*text) {
    line += ' ';
    line += text;
  }
  reporter_.reportMessage(report::LogOnly, report::KindNoPopup, std::nullopt, line, code);
  return code;
}

int BinaryDataFile::corrupt(const std::string& text, int code) {
  return reporter_.reportMessage(report::LogOnly, report::KindNoPopup, "readBinaryDataSet()", text,
                                 code);
}

std::filesystem::path BinaryDataFile::tempPathFor(const std::filesystem::path& target) {
  const std::string name = pathBytes(target.filename());
  return target.parent_path() / (sameNameIgnoringCase(name, "TEMP.BIN") ? "TEMP$.BIN" : "TEMP.BIN");
}

int BinaryDataFile::openBinaryWriteFile(const std::filesystem::path& named) {
  lastError_.clear();
  ReplaceOptions options;
  options.tempName = pathBytes(tempPathFor(fs_.resolveLinks(named)).filename());
  if (const ReplaceResult r = replacement_.open(named, options); !r.ok())
    return failIo("openBinaryWriteFile()", "OpenFile()", BinOpenWriteFailed, r.error);
  return 0;
}

bool BinaryDataFile::reserveBlockBuffer(std::int32_t storageCount) {
  const std::size_t want =
      binfile::sampleBlockCapacity(static_cast<std::size_t>(std::max(storageCount, 0)));
  try {
    if (block_.size() < want)
      block_.resize(want);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

int BinaryDataFile::writeBinaryDataSet(std::int32_t sampleCount, std::int32_t storageCount,
                                       Progress* progress) {
  if (!replacement_.isOpen())
    return fail("writeBinaryDataSet()", "", BinNotOpen, 0);
  const DataSet* d = model_.dataSet();
  if (!d)
    return fail("writeBinaryDataSet()", "", BinNoDataSet, 0);

  char header[binfile::HeaderSize];
  binfile::packHeader(*d, sampleCount, storageCount, header);
  replacement_.write(header, sizeof header);
  if (auto ec = replacement_.writeError())
    return failIo("writeBinaryDataSet()", "WriteFile()", BinWriteFailed, ec);

  // Room for the largest block this grid can have; a bigger series grows it below.
  if (!reserveBlockBuffer(storageCount))
    return fail("writeBinaryDataSet()", "malloc()", BinWriteFailed, 0);

  const double step = 100.0 / (sampleCount > 0 ? sampleCount : 1);
  for (int i = 0; i < sampleCount; ++i) {
    const Sample* s = model_.sampleAt(i);
    if (!s || static_cast<int>(s->storages.size()) < storageCount)
      return fail("writeBinaryDataSet()", "", BinNoDataSet, i);
    std::size_t need = binfile::SampleSize;
    for (int j = 0; j < storageCount; ++j)
      need += binfile::StorageSize + s->storages[static_cast<std::size_t>(j)].measurements.size() *
                                         binfile::MeasurementSize;
    if (block_.size() < need) {
      try {
        block_.resize(need);
      } catch (const std::bad_alloc&) {
        return fail("writeBinaryDataSet()", "malloc()", BinWriteFailed, i);
      }
    }
    char* out = block_.data();
    out += binfile::packSample(*s, out);
    for (int j = 0; j < storageCount; ++j) {
      const StorageCondition& t = s->storages[static_cast<std::size_t>(j)];
      out += binfile::packStorage(t, static_cast<std::int32_t>(t.measurements.size()), out);
      for (const Measurement& m : t.measurements)
        out += binfile::packMeasurement(m, out);
    }
    if (progress && progress->update(static_cast<int>((i + 1) * step)))
      return 1;
    replacement_.write(block_.data(), need);
    if (auto ec = replacement_.writeError())
      return failIo("writeBinaryDataSet()", "WriteFile()", BinWriteFailed, ec);
  }
  return 0;
}

int BinaryDataFile::closeBinaryWriteFile(bool abort) {
  if (!replacement_.isOpen())
    return 0;
  int result = 0;
  if (!abort) {
    if (const ReplaceResult r = replacement_.finish(); !r.ok()) {
      result = r.step == ReplaceStep::Produce
                   ? failIo("writeBinaryDataSet()", "WriteFile()", BinWriteFailed, r.error)
                   : failIo("closeBinaryWriteFile()", "Ini_WriteToFile()", BinCloseFailed, r.error);
    }
  }
  if (!abort && result == 0 && beforeReplace_) {
    if (auto ec = beforeReplace_(replacement_.tempPath()))
      result = failIo("closeBinaryWriteFile()", "CopyFile()", BinReplaceFailed, ec);
  }
  if (!abort && result == 0) {
    if (const ReplaceResult r = replacement_.commit(); !r.ok())
      result = failIo("closeBinaryWriteFile()", "CopyFile()", BinReplaceFailed, r.error);
  }
  if (const std::error_code ec = replacement_.abort(); ec && result == 0)
    result = fail("closeBinaryWriteFile()", "DeleteFile()", BinDeleteFailed, ec.value());
  block_.clear();
  block_.shrink_to_fit();
  return result;
}

int BinaryDataFile::readBinaryDataSet(const std::filesystem::path& path, Progress* progress) {
  std::unique_ptr<ReadableFile> file;
  std::uint64_t size = 0;
  std::error_code ec = fs_.openRead(path, file);
  if (!ec)
    ec = fs_.fileSize(path, size);
  if (ec)
    return fail("openBinaryReadFile() - OpenFile() -", "", BinOpenReadFailed, ec.value());
  return readBinaryDataSet(*file, size, progress);
}

int BinaryDataFile::readBinaryDataSet(std::string_view image, Progress* progress) {
  MemoryFile file(image);
  return readBinaryDataSet(file, image.size(), progress);
}

int BinaryDataFile::readBinaryDataSet(ReadableFile& file, std::uint64_t size, Progress* progress) {
  replaced_ = {};
  counts_ = {};
  DataSet* d = model_.dataSet();
  if (!d)
    return fail("readBinaryDataSet()", "", BinNoDataSet, 0);
  ByteReader in(file, size);

  auto where = [&](int i, int j) {
    std::string w = std::string(" (") + lang_.pick(WhereSample) + ' ' + std::to_string(i + 1);
    if (j >= 0)
      w += std::string(", ") + lang_.pick(WhereStorage) + ' ' + std::to_string(j + 1);
    return w + ")";
  };
  auto ended = [&](int i, int j) {
    if (in.error())
      return fail("readBinaryDataSet()", "ReadFile()", BinReadFailed, in.error().value());
    return corrupt(std::string(lang_.pick(TruncatedText)) + (i < 0 ? "" : where(i, j)),
                   BinTruncated);
  };

  const char* p = in.take(4);
  if (!p)
    return ended(-1, -1);
  const std::int32_t code = le::getI32(p);
  if (code != binfile::DataCode && code != binfile::OldDataCode)
    return corrupt(std::string(lang_.pick(DataCodeText)) + ' ' + std::to_string(code),
                   BinBadDataCode);
  const bool old = code == binfile::OldDataCode;
  const Layout layout = old ? OldLayout : CurrentLayout;

  // The rest of the header; offsets below are relative to the byte after the data code.
  p = in.take((old ? binfile::OldHeaderSize : binfile::HeaderSize) - 4);
  if (!p)
    return ended(-1, -1);
  const std::int32_t fileSamples = le::getI32(p + 8);
  const std::int32_t fileStorages = le::getI32(p + 12);
  if (fileSamples < 0 || fileStorages < 0)
    return corrupt(lang_.pick(NegativeText), BinBadCount);
  d->dataCode = code;
  counts_ = {fileSamples, fileStorages};
  binfile::unpackHeaderTexts(p, old, *d);

  const DataSetLimits& limits = model_.limits();
  const int samples = std::max(1, std::min(fileSamples, limits.maxSamples));
  const int storages = std::max(1, std::min(fileStorages, limits.maxStorages));
  // A count of 0 reads as 1 like every other count: the one block (group) that follows is
  // read. Storage groups beyond the limit are read past.
  const int samplesInFile = samples;
  const int storagesInFile = std::max(fileStorages, 1);

  // Every block read holds at least its sample record and all its storage records.
  const std::uint64_t least =
      static_cast<std::uint64_t>(samplesInFile) *
      (layout.sample + static_cast<std::uint64_t>(storagesInFile) * layout.storage);
  if (least > in.remaining())
    return ended(-1, -1);

  if (model_.addSamples(samples) != 0 || model_.addStorages(storages) != 0)
    return fail("readBinaryDataSet()", "auftrAddSamples()", BinGrowFailed, 0);

  const double step = 100.0 / samples;
  for (int i = 0; i < samplesInFile; ++i) {
    if (!(p = in.take(layout.sample)))
      return ended(i, -1);
    Sample* s = model_.sampleAt(i);
    if (!s)
      return fail("readBinaryDataSet()", "", BinGrowFailed, i);
    binfile::unpackSample(p, old, *s);
    if (progress && progress->update(static_cast<int>((i + 1) * step)))
      return 1;
    for (int j = 0; j < storagesInFile; ++j) {
      if (!(p = in.take(layout.storage)))
        return ended(i, j);
      const std::int32_t count = le::getI32(p + (old ? 0 : 8));
      if (count < 0)
        return corrupt(lang_.pick(NegativeText) + where(i, j), BinBadCount);
      const std::uint64_t bytes = static_cast<std::uint64_t>(count) * layout.measurement;
      if (bytes > in.remaining())
        return ended(i, j);
      // Groups beyond the limit are skipped so the next sample starts where it is.
      if (j >= storages) {
        if (!in.skip(bytes))
          return ended(i, j);
        continue;
      }
      StorageCondition* t = model_.storageAt(i, j);
      if (!t)
        return fail("readBinaryDataSet()", "", BinGrowFailed, j);
      binfile::unpackStorage(p, old, *t);
      t->statCount = count; // until the statistics are computed
      if (count > limits.maxMeasurements) {
        model_.addMeasurements(i, j, count); // logs the limit message
        return corrupt(std::to_string(count) + ' ' + lang_.pick(TooManyText) + ' ' +
                           std::to_string(limits.maxMeasurements) + where(i, j),
                       BinGrowFailed);
      }
      if (model_.addMeasurements(i, j, count) != 0)
        return fail("readBinaryDataSet()", "auftrAddMeasurements()", BinGrowFailed, count);
      // The series holds at least count measurements now; a new storage's one stays when the
      // file has none.
      Measurement* series = t->measurements.data();
      for (int k = 0; k < count; ++k) {
        if (!(p = in.take(layout.measurement)))
          return ended(i, j);
        binfile::unpackMeasurement(p, old, series[k]);
      }
      model_.renumberSeries(i, j, DataSetModel::Changes::Clear);
    }
  }
  replaced_ = countListReplacements(model_);
  model_.renumber(DataSetModel::Changes::Clear, DataSetModel::Series::Renumbered);
  return 0;
}

} // namespace zv
