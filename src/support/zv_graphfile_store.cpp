#include "support/zv_graphfile_store.hpp"
#include "platform/zv_path_bytes.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

namespace zv {

namespace {

constexpr char StampMagic[4] = {'Z', 'V', 'G', 'S'};
constexpr std::uint32_t FlagData = 1;
constexpr std::uint32_t FlagPrevious = 2;

void encodeHeader(unsigned char* p, const GraphRecordHeader& h) {
  le::putI32(p + 0, h.elementSize);
  le::putI32(p + 4, h.pointCount);
  le::putI32(p + 8, h.sampleIndex);
  le::putI32(p + 12, h.storageIndex);
  le::putI32(p + 16, h.measurementIndex);
  le::putI32(p + 20, h.pointsPerSecond);
}

void decodeHeader(const unsigned char* p, GraphRecordHeader& h) {
  h.elementSize = le::getI32(p + 0);
  h.pointCount = le::getI32(p + 4);
  h.sampleIndex = le::getI32(p + 8);
  h.storageIndex = le::getI32(p + 12);
  h.measurementIndex = le::getI32(p + 16);
  h.pointsPerSecond = le::getI32(p + 20);
}

std::uint64_t recordSize(const GraphRecordHeader& h) {
  return GraphRecordOverhead + static_cast<std::uint64_t>(std::max(h.pointCount, 0)) * 8;
}

} // namespace

// ---- selection

GraphFileStore::GraphFileStore(FileSystem& fs) : fs_(fs) {}

GraphFileStore::~GraphFileStore() {
  GraphFileCloseAll();
}

int GraphFileStore::fail(std::error_code ec, int code) {
  lastError_ = ec;
  return code;
}

int GraphFileStore::GraphFileSetTempDir(const std::filesystem::path& directory) {
  tempDir_ = directory;
  return 0;
}

std::filesystem::path GraphFileStore::graphPathFor(const std::filesystem::path& dataFile) {
  std::filesystem::path p = dataFile;
  p += ".GRF";
  return p;
}

int GraphFileStore::GraphFileSetDatafileName(const std::filesystem::path& dataFile) {
  GraphFileClose();
  dataPath_ = dataFile;
  return 0;
}

std::filesystem::path GraphFileStore::GraphFileGetGraphPath() const {
  return dataPath_.empty() ? std::filesystem::path() : graphPathFor(dataPath_);
}

int GraphFileStore::GraphFileIsFileExisting() {
  if (dataPath_.empty())
    return GraphStoreNotOpen;
  return fs_.exists(graphPathFor(dataPath_)) ? 1 : 0;
}

// ---- reading

int GraphFileStore::GraphFileOpen() {
  GraphFileClose();
  if (dataPath_.empty())
    return GraphStoreNotOpen;
  const auto path = graphPathFor(dataPath_);
  std::unique_ptr<ReadableFile> file;
  if (auto ec = fs_.openRead(path, file))
    return fail(ec);
  std::uint64_t size = 0;
  if (auto ec = fs_.fileSize(path, size))
    return fail(ec);
  reader_ = std::move(file);
  size_ = size;
  pos_ = 0;
  stamps_ = {};
  return 0;
}

void GraphFileStore::GraphFileClose() {
  reader_.reset();
  indexValid_ = false;
  haveRecord_ = false;
  size_ = 0;
  pos_ = 0;
  stamps_ = {};
}

void GraphFileStore::GraphFileCloseAll() {
  GraphFileClose();
  GraphFileAbandonTemp();
}

int GraphFileStore::GraphFileReadVersion(std::int32_t& version) {
  version = 0;
  if (!reader_)
    return GraphStoreNotOpen;
  unsigned char head[GraphFileHeaderSize];
  std::size_t got = 0;
  if (auto ec = reader_->seek(0))
    return fail(ec);
  if (auto ec = readFully(*reader_, head, sizeof head, got))
    return fail(ec);
  pos_ = got;
  haveRecord_ = false;
  if (got < 4)
    return GraphStoreBadFormat;
  version = le::getI32(head);
  if (version != GraphFileVersion)
    return 0;
  if (got < sizeof head || std::memcmp(head + 4, StampMagic, 4) != 0 ||
      le::getU32(head + 36) != crc32(head, 36))
    return GraphStoreBadFormat;
  const std::uint32_t flags = le::getU32(head + 8);
  stamps_.data = {(flags & FlagData) != 0, le::getU64(head + 12), le::getU32(head + 20)};
  stamps_.previous = {(flags & FlagPrevious) != 0, le::getU64(head + 24), le::getU32(head + 32)};
  if (!stamps_.data.valid)
    stamps_.data = {};
  if (!stamps_.previous.valid)
    stamps_.previous = {};
  return 0;
}

int GraphFileStore::GraphFileSetFilePos(std::uint64_t position) {
  if (!reader_)
    return GraphStoreNotOpen;
  haveRecord_ = false;
  if (auto ec = reader_->seek(position))
    return fail(ec);
  pos_ = position;
  return 0;
}

int GraphFileStore::GraphSetFileFirstPos() {
  if (GraphFileSetFilePos(GraphFileHeaderSize) != 0)
    return 0;
  return pos_ + GraphRecordHeaderSize <= size_ ? 1 : 0;
}

int GraphFileStore::GraphSetFileNextPos(const GraphRecordHeader& header, std::uint64_t position) {
  if (header.pointCount < 0)
    return 0;
  const std::uint64_t next = position + recordSize(header);
  if (GraphFileSetFilePos(next) != 0)
    return 0;
  return next + GraphRecordHeaderSize <= size_ ? 1 : 0;
}

int GraphFileStore::datfileReadHeader(GraphRecordHeader& header) {
  if (!reader_)
    return GraphStoreNotOpen;
  haveRecord_ = false;
  unsigned char raw[GraphRecordHeaderSize];
  std::size_t got = 0;
  if (auto ec = readFully(*reader_, raw, sizeof raw, got))
    return fail(ec);
  if (got < sizeof raw)
    return GraphStoreBadFormat;
  decodeHeader(raw, header);
  if (header.elementSize != 8 || header.pointCount < 0 || pos_ + recordSize(header) > size_)
    return GraphStoreBadFormat;
  haveRecord_ = true;
  recordPointBytes_ = static_cast<std::uint64_t>(header.pointCount) * 8;
  recordPointsRead_ = 0;
  recordSum_ = {};
  recordSum_.update(raw, sizeof raw);
  pos_ += sizeof raw;
  return 0;
}

long long GraphFileStore::GraphFileReadBuffer(void* buffer, std::size_t bytes) {
  if (!reader_ || !haveRecord_)
    return GraphStoreNotOpen;
  const std::uint64_t left = recordPointBytes_ - recordPointsRead_;
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, left));
  std::size_t got = 0;
  if (auto ec = readFully(*reader_, buffer, want, got))
    return fail(ec);
  recordSum_.update(buffer, got);
  recordPointsRead_ += got;
  pos_ += got;
  if (recordPointsRead_ == recordPointBytes_) {
    haveRecord_ = false;
    unsigned char tail[4];
    std::size_t n = 0;
    if (auto ec = readFully(*reader_, tail, 4, n))
      return fail(ec);
    pos_ += n;
    if (n < 4 || le::getU32(tail) != recordSum_.value())
      return GraphStoreBadChecksum;
  }
  return static_cast<long long>(got);
}

int GraphFileStore::GraphFileReadPoints(const GraphRecordHeader& header,
                                        std::vector<double>& points) {
  const auto count = static_cast<std::size_t>(std::max(header.pointCount, 0));
  points.assign(count, 0.0);
  auto* bytes = reinterpret_cast<unsigned char*>(points.data());
  if (count == 0) {
    unsigned char dummy = 0;
    const long long r = GraphFileReadBuffer(&dummy, 0);
    return r < 0 ? static_cast<int>(r) : 0;
  }
  const long long r = GraphFileReadBuffer(bytes, count * 8);
  if (r < 0)
    return static_cast<int>(r);
  if (static_cast<std::size_t>(r) != count * 8)
    return GraphStoreBadFormat;
  if constexpr (std::endian::native != std::endian::little) {
    std::vector<unsigned char> copy(bytes, bytes + count * 8);
    le::getF64Array(points.data(), copy.data(), count);
  }
  return 0;
}

void GraphFileStore::GraphFileFillHeader(GraphRecordHeader& header, std::int32_t elementSize,
                                         std::int32_t points, std::int32_t sample,
                                         std::int32_t storage, std::int32_t measurement,
                                         std::int32_t pointsPerSecond) {
  header = {elementSize, points, sample, storage, measurement, pointsPerSecond};
}

// ---- writing

int GraphFileStore::GraphFileOpenTemp(const std::filesystem::path& targetDataFile) {
  GraphFileAbandonTemp();
  const auto target = graphPathFor(targetDataFile);
  ReplaceOptions options;
  options.tempName = pathBytes(target.filename()) + ".new";
  options.checkTarget = false;
  options.bufferSize = std::size_t{1} << 20;
  if (const ReplaceResult r = temp_.open(target, options); !r.ok())
    return fail(r.error);
  tempTarget_ = target;
  tempPos_ = 0;
  tempInRecord_ = false;
  tempRecordLeft_ = 0;
  return 0;
}

int GraphFileStore::writeTemp(const void* data, std::size_t size) {
  if (!temp_.isOpen() || temp_.isFinished())
    return GraphStoreNotOpen;
  temp_.write(data, size);
  if (auto ec = temp_.writeError())
    return fail(ec);
  tempPos_ += size;
  return 0;
}

int GraphFileStore::GraphFileWriteVersion(std::int32_t version, const GraphFileStamps& stamps) {
  if (tempPos_ != 0)
    return GraphStoreBadFormat;
  unsigned char head[GraphFileHeaderSize] = {};
  le::putI32(head, version);
  std::memcpy(head + 4, StampMagic, 4);
  const std::uint32_t flags =
      (stamps.data.valid ? FlagData : 0) | (stamps.previous.valid ? FlagPrevious : 0);
  le::putU32(head + 8, flags);
  le::putU64(head + 12, stamps.data.size);
  le::putU32(head + 20, stamps.data.crc);
  le::putU64(head + 24, stamps.previous.size);
  le::putU32(head + 32, stamps.previous.crc);
  le::putU32(head + 36, crc32(head, 36));
  return writeTemp(head, sizeof head);
}

int GraphFileStore::datfileWriteHeader(const GraphRecordHeader& header) {
  if (tempInRecord_ || tempPos_ < GraphFileHeaderSize || header.elementSize != 8 ||
      header.pointCount < 0)
    return GraphStoreBadFormat;
  unsigned char raw[GraphRecordHeaderSize];
  encodeHeader(raw, header);
  if (int r = writeTemp(raw, sizeof raw))
    return r;
  tempSum_ = {};
  tempSum_.update(raw, sizeof raw);
  tempRecordLeft_ = static_cast<std::uint64_t>(header.pointCount) * 8;
  tempInRecord_ = true;
  if (tempRecordLeft_ == 0)
    return GraphFileWriteBuffer(nullptr, 0);
  return 0;
}

int GraphFileStore::GraphFileWriteBuffer(const void* buffer, std::size_t bytes) {
  if (bytes == 0 && !tempInRecord_ && temp_.isOpen())
    return 0;
  if (!tempInRecord_ || bytes > tempRecordLeft_)
    return GraphStoreBadFormat;
  if (bytes > 0) {
    tempSum_.update(buffer, bytes);
    if (int r = writeTemp(buffer, bytes))
      return r;
    tempRecordLeft_ -= bytes;
  }
  if (tempRecordLeft_ == 0) {
    tempInRecord_ = false;
    unsigned char tail[4];
    le::putU32(tail, tempSum_.value());
    return writeTemp(tail, 4);
  }
  return 0;
}

int GraphFileStore::GraphFileWritePoints(const double* points, std::size_t count) {
  if constexpr (std::endian::native == std::endian::little) {
    return GraphFileWriteBuffer(points, count * 8);
  } else {
    scratch_.resize(count * 8);
    le::putF64Array(scratch_.data(), points, count);
    return GraphFileWriteBuffer(scratch_.data(), scratch_.size());
  }
}

int GraphFileStore::GraphFileCloseTemp() {
  if (!temp_.isOpen() || temp_.isFinished())
    return GraphStoreNotOpen;
  if (tempInRecord_)
    return GraphStoreBadFormat;
  if (const ReplaceResult r = temp_.finish(); !r.ok())
    return fail(r.error);
  return 0;
}

int GraphFileStore::GraphFileCopyTempAndDelete(const std::filesystem::path& targetDataFile) {
  if (!temp_.isFinished() || graphPathFor(targetDataFile) != tempTarget_)
    return GraphStoreNotOpen;
  tempTarget_.clear();
  if (const ReplaceResult r = temp_.commit(); !r.ok()) {
    fail(r.error);
    return GraphStoreError;
  }
  return 0;
}

void GraphFileStore::GraphFileAbandonTemp() {
  temp_.abort();
  tempTarget_.clear();
}

// ---- setting a graph file aside

namespace {
std::error_code copyFile(FileSystem& fs, const std::filesystem::path& from,
                         const std::filesystem::path& to) {
  std::unique_ptr<ReadableFile> in;
  if (auto ec = fs.openRead(from, in))
    return ec;
  std::unique_ptr<WritableFile> out;
  if (auto ec = fs.openWrite(to, OpenMode::CreateNew, out))
    return ec;
  std::vector<char> buffer(1 << 16);
  std::error_code ec;
  for (;;) {
    std::size_t got = 0;
    if ((ec = in->read(buffer.data(), buffer.size(), got)) || got == 0)
      break;
    if ((ec = out->write(buffer.data(), got)))
      break;
  }
  if (!ec)
    ec = out->sync();
  if (auto closed = out->close(); !ec)
    ec = closed;
  if (ec)
    fs.remove(to);
  return ec;
}
} // namespace

int GraphFileStore::GraphFileSetAside(const std::filesystem::path& dataFile,
                                      std::filesystem::path& copiedTo) {
  copiedTo.clear();
  const auto source = graphPathFor(dataFile);
  if (!fs_.exists(source))
    return 0;
  const auto directory = tempDir_.empty() ? source.parent_path() : tempDir_;
  if (auto ec = fs_.createDirectories(directory))
    return fail(ec);
  const std::string name = pathBytes(dataFile.filename());
  std::filesystem::path target;
  for (int n = 1; n < 10000; ++n) {
    target = directory / pathFromBytes(name + "." + std::to_string(n) + ".GRF");
    if (!fs_.exists(target))
      break;
    target.clear();
  }
  if (target.empty())
    return fail(std::make_error_code(std::errc::file_exists));
  if (auto ec = copyFile(fs_, source, target))
    return fail(ec);
  fs_.syncDirectory(directory);
  copiedTo = target;
  return 0;
}

} // namespace zv
