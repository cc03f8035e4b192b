#pragma once
// The records of the data set as the backup journal stores them: the .BIN file's own records
// (its packers and unpackers), with the indices set to the record's place in the grid and,
// for a measurement with its curve, the curve's points appended.
//   header 260 bytes, sample 34, storage 86, measurement 94 (+ 8 per curve point)
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/zv_dataset.hpp"
#include "storage/zv_datafile_bin.hpp"

namespace zv::records {

constexpr std::size_t HeaderSize = binfile::HeaderSize;
constexpr std::size_t SampleSize = binfile::SampleSize;
constexpr std::size_t StorageSize = binfile::StorageSize;
constexpr std::size_t MeasurementSize = binfile::MeasurementSize;

// The points a measurement's curve holds: never more than its buffer.
std::size_t curvePoints(const Measurement& m);

// Packers append to out. The counts written into header and storage are the current ones.
void packHeader(std::vector<unsigned char>& out, const DataSet& d);
void packSample(std::vector<unsigned char>& out, const Sample& s, std::int32_t index);
void packStorage(std::vector<unsigned char>& out, const StorageCondition& t, std::int32_t sample,
                 std::int32_t storage);
void packMeasurement(std::vector<unsigned char>& out, const Measurement& m, std::int32_t sample,
                     std::int32_t storage, std::int32_t measurement, bool withCurve);

// Unpackers check the size exactly and return false for a record of the wrong size. They set
// only what the record carries (its indices included; the caller renumbers).
bool unpackHeader(const unsigned char* p, std::size_t size, DataSet& d);
bool unpackSample(const unsigned char* p, std::size_t size, Sample& s);
bool unpackStorage(const unsigned char* p, std::size_t size, StorageCondition& t);
// withCurve: the record is followed by exactly pointCount points, which replace the curve.
bool unpackMeasurement(const unsigned char* p, std::size_t size, Measurement& m, bool withCurve);

} // namespace zv::records
