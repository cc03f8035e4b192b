#include "storage/zv_restore_records.hpp"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/zv_latin1.hpp"
#include "support/zv_graphfile_store.hpp"

namespace zv::records {

namespace {

unsigned char* grow(std::vector<unsigned char>& out, std::size_t n) {
  const std::size_t at = out.size();
  out.resize(at + n, 0);
  return out.data() + at;
}

void putText(unsigned char* p, const std::string& text, std::size_t field) {
  const std::size_t n = std::min(text.size(), field - 1);
  std::memcpy(p, text.data(), n);
  std::memset(p + n, 0, field - n);
}

std::string getText(const unsigned char* p, std::size_t field) {
  return cutToField(std::string_view(reinterpret_cast<const char*>(p), field), field);
}

} // namespace

std::size_t curvePoints(const Measurement& m) {
  return std::min(static_cast<std::size_t>(std::max(m.pointCount, 0)), m.points.size());
}

void packHeader(std::vector<unsigned char>& out, const DataSet& d) {
  unsigned char* p = grow(out, HeaderSize);
  le::putI32(p, DataCode);
  le::putI32(p + 4, ProgramVersionCode);
  le::putI32(p + 8, 0);
  le::putI32(p + 12, static_cast<std::int32_t>(d.samples.size()));
  le::putI32(p + 16,
             d.samples.empty() ? 0 : static_cast<std::int32_t>(d.samples.front().storages.size()));
  putText(p + 20, d.identNumber, 80);
  putText(p + 100, d.identName, 80);
  putText(p + 180, d.title, 80);
}

void packSample(std::vector<unsigned char>& out, const Sample& s, std::int32_t index) {
  unsigned char* p = grow(out, SampleSize);
  le::putI32(p, index);
  putText(p + 4, s.name, 30);
}

void packStorage(std::vector<unsigned char>& out, const Storage& t, std::int32_t sample,
                 std::int32_t storage) {
  unsigned char* p = grow(out, StorageSize);
  le::putI32(p, sample);
  le::putI32(p + 4, storage);
  le::putI32(p + 8, static_cast<std::int32_t>(t.measurements.size()));
  le::putF64(p + 12, t.range);
  le::putF64(p + 20, t.speed);
  le::putF64(p + 28, t.area);
  putText(p + 36, t.name, 30);
  putText(p + 66, t.evaluation, 20);
}

void packMeasurement(std::vector<unsigned char>& out, const Measurement& m, std::int32_t sample,
                     std::int32_t storage, std::int32_t measurement, bool withCurve) {
  const std::size_t n = withCurve ? curvePoints(m) : 0;
  unsigned char* p = grow(out, MeasurementSize + n * 8);
  le::putI32(p, sample);
  le::putI32(p + 4, storage);
  le::putI32(p + 8, measurement);
  le::putI32(p + 12, withCurve ? static_cast<std::int32_t>(n) : m.pointCount);
  le::putI32(p + 16, m.inStatistics);
  le::putI32(p + 20, m.status);
  le::putI32(p + 24, m.channel);
  le::putI32(p + 28, m.curveRate);
  le::putF64(p + 32, m.force);
  le::putF64(p + 40, m.range);
  le::putF64(p + 48, m.area);
  le::putF64(p + 56, m.speed);
  putText(p + 64, m.deviceName, 30);
  if (n > 0)
    le::putF64Array(p + MeasurementSize, m.points.data(), n);
}

bool unpackHeader(const unsigned char* p, std::size_t size, DataSet& d) {
  if (size != HeaderSize)
    return false;
  d.identNumber = getText(p + 20, 80);
  d.identName = getText(p + 100, 80);
  d.title = getText(p + 180, 80);
  return true;
}

bool unpackSample(const unsigned char* p, std::size_t size, Sample& s) {
  if (size != SampleSize)
    return false;
  s.name = getText(p + 4, 30);
  return true;
}

bool unpackStorage(const unsigned char* p, std::size_t size, Storage& t) {
  if (size != StorageSize)
    return false;
  t.range = le::getF64(p + 12);
  t.speed = le::getF64(p + 20);
  t.area = le::getF64(p + 28);
  t.name = getText(p + 36, 30);
  t.evaluation = getText(p + 66, 20);
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
  m.pointCount = pointCount;
  m.inStatistics = le::getI32(p + 16);
  m.status = le::getI32(p + 20);
  m.channel = le::getI32(p + 24);
  m.curveRate = le::getI32(p + 28);
  m.force = le::getF64(p + 32);
  m.range = le::getF64(p + 40);
  m.area = le::getF64(p + 48);
  m.speed = le::getF64(p + 56);
  m.deviceName = getText(p + 64, 30);
  if (withCurve) {
    std::vector<double> points(static_cast<std::size_t>(pointCount));
    le::getF64Array(points.data(), p + MeasurementSize, points.size());
    m.points = std::move(points);
    m.graphFilePos = -1; // the curve in memory is the measurement's; an older one is obsolete
  }
  return true;
}

} // namespace zv::records
