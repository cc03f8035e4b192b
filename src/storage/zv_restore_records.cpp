#include "storage/zv_restore_records.hpp"

#include <algorithm>

#include "storage/zv_datafile_bin.hpp"
#include "support/zv_graphfile_store.hpp"

namespace zv::records {

namespace {

char* grow(std::vector<unsigned char>& out, std::size_t n) {
  const std::size_t at = out.size();
  out.resize(at + n, 0);
  return reinterpret_cast<char*>(out.data() + at);
}

const char* bytes(const unsigned char* p) {
  return reinterpret_cast<const char*>(p);
}

// The journal names every record by its place in the grid, which may differ from the record's
// own index fields until the data set is renumbered.
void putPlace(char* p, std::initializer_list<std::int32_t> indices) {
  for (std::int32_t index : indices) {
    le::putI32(reinterpret_cast<unsigned char*>(p), index);
    p += 4;
  }
}

} // namespace

std::size_t curvePoints(const Measurement& m) {
  return std::min(static_cast<std::size_t>(std::max(m.pointCount, 0)), m.points.size());
}

void packHeader(std::vector<unsigned char>& out, const DataSet& d) {
  const auto samples = static_cast<std::int32_t>(d.samples.size());
  const auto storages =
      d.samples.empty() ? 0 : static_cast<std::int32_t>(d.samples.front().storages.size());
  binfile::packHeader(d, samples, storages, grow(out, HeaderSize));
}

void packSample(std::vector<unsigned char>& out, const Sample& s, std::int32_t index) {
  char* p = grow(out, SampleSize);
  binfile::packSample(s, p);
  putPlace(p, {index});
}

void packStorage(std::vector<unsigned char>& out, const StorageCondition& t, std::int32_t sample,
                 std::int32_t storage) {
  char* p = grow(out, StorageSize);
  binfile::packStorage(t, static_cast<std::int32_t>(t.measurements.size()), p);
  putPlace(p, {sample, storage});
}

void packMeasurement(std::vector<unsigned char>& out, const Measurement& m, std::int32_t sample,
                     std::int32_t storage, std::int32_t measurement, bool withCurve) {
  const std::size_t n = withCurve ? curvePoints(m) : 0;
  char* p = grow(out, MeasurementSize + n * 8);
  binfile::packMeasurement(m, p);
  if (withCurve) // the point count says how many points follow
    putPlace(p, {sample, storage, measurement, static_cast<std::int32_t>(n)});
  else
    putPlace(p, {sample, storage, measurement});
  if (n > 0)
    le::putF64Array(reinterpret_cast<unsigned char*>(p) + MeasurementSize, m.points.data(), n);
}

bool unpackHeader(const unsigned char* p, std::size_t size, DataSet& d) {
  if (size != HeaderSize)
    return false;
  binfile::unpackHeaderTexts(bytes(p) + 4, false, d);
  return true;
}

bool unpackSample(const unsigned char* p, std::size_t size, Sample& s) {
  if (size != SampleSize)
    return false;
  binfile::unpackSample(bytes(p), false, s);
  return true;
}

bool unpackStorage(const unsigned char* p, std::size_t size, StorageCondition& t) {
  if (size != StorageSize)
    return false;
  binfile::unpackStorage(bytes(p), false, t);
  return true;
}

bool unpackMeasurement(const unsigned char* p, std::size_t size, Measurement& m, bool withCurve) {
  if (size < MeasurementSize)
    return false;
  const std::int32_t pointCount = le::getI32(p + 12);
  if (withCurve) {
    if (pointCount < 0 || (size - MeasurementSize) % 8 != 0 ||
        (size - MeasurementSize) / 8 != static_cast<std::size_t>(pointCount))
      return false;
  } else if (size != MeasurementSize) {
    return false;
  }
  std::vector<double> points;
  if (withCurve) { // allocated before anything changes, so a failure leaves m as it was
    points.resize(static_cast<std::size_t>(pointCount));
    le::getF64Array(points.data(), p + MeasurementSize, points.size());
  }
  binfile::unpackMeasurement(bytes(p), false, m);
  if (withCurve) {
    m.points = std::move(points);
    m.graphFilePos = -1; // the curve in memory is the measurement's; an older one is obsolete
  }
  return true;
}

} // namespace zv::records
