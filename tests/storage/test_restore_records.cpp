// The journal's records are the binary data file's own records, named by their place in the
// grid; a measurement with its curve carries exactly the points it announces.
#include <gtest/gtest.h>

#include <cstring>

#include "common/zv_datafile_testkit.hpp"
#include "storage/zv_datafile_bin.hpp"
#include "storage/zv_restore_records.hpp"

namespace zv {
namespace {

using test::ModelRig;

std::vector<unsigned char> binRecord(std::size_t size, auto pack) {
  std::vector<unsigned char> out(size);
  pack(reinterpret_cast<char*>(out.data()));
  return out;
}

TEST(JournalRecords, AreTheBinaryFileRecordsOfARenumberedDataSet) {
  ModelRig rig;
  test::buildDataSet(rig.model, 2, 2, {3, 1});
  const DataSet& d = *rig.model.dataSet();
  const Sample& s = d.samples[1];
  const StorageCondition& t = s.storages[0];
  const Measurement& m = t.measurements[2];

  auto packed = [](auto pack) {
    std::vector<unsigned char> out;
    pack(out);
    return out;
  };
  EXPECT_EQ(packed([&](auto& o) { records::packHeader(o, d); }),
            binRecord(records::HeaderSize, [&](char* p) { binfile::packHeader(d, 2, 2, p); }));
  EXPECT_EQ(packed([&](auto& o) { records::packSample(o, s, 1); }),
            binRecord(records::SampleSize, [&](char* p) { binfile::packSample(s, p); }));
  EXPECT_EQ(packed([&](auto& o) { records::packStorage(o, t, 1, 0); }),
            binRecord(records::StorageSize, [&](char* p) { binfile::packStorage(t, 3, p); }));
  EXPECT_EQ(packed([&](auto& o) { records::packMeasurement(o, m, 1, 0, 2, false); }),
            binRecord(records::MeasurementSize, [&](char* p) { binfile::packMeasurement(m, p); }));
}

TEST(JournalRecords, NameTheirPlaceBeforeTheDataSetIsRenumbered) {
  Measurement m;
  m.sampleIndex = m.storageIndex = m.measurementIndex = 0; // stale
  std::vector<unsigned char> out;
  records::packMeasurement(out, m, 4, 5, 6, false);
  Measurement back;
  ASSERT_TRUE(records::unpackMeasurement(out.data(), out.size(), back, false));
  EXPECT_EQ(std::tie(back.sampleIndex, back.storageIndex, back.measurementIndex),
            std::make_tuple(4, 5, 6));
}

TEST(JournalRecords, CurveRoundTripAndSizeChecks) {
  Measurement m;
  m.force = 2.5;
  m.deviceName = std::string(40, 'x'); // longer than the field
  m.points = {1.0, -2.0, 3.5, 4.0};
  m.pointCount = 3; // only the announced points go in
  std::vector<unsigned char> out;
  records::packMeasurement(out, m, 0, 1, 2, true);
  ASSERT_EQ(out.size(), records::MeasurementSize + 3 * 8);

  Measurement back;
  back.graphFilePos = 77;
  ASSERT_TRUE(records::unpackMeasurement(out.data(), out.size(), back, true));
  EXPECT_EQ(back.points, (std::vector<double>{1.0, -2.0, 3.5}));
  EXPECT_EQ(std::tie(back.pointCount, back.force), std::make_tuple(3, 2.5));
  EXPECT_EQ(back.deviceName, std::string(Measurement::DeviceNameSize - 1, 'x'));
  EXPECT_EQ(back.graphFilePos, -1); // the journal's curve replaces the graph file's

  // A curve shorter or longer than announced, or a plain record of the wrong size, is refused
  // and leaves the measurement untouched.
  Measurement untouched;
  untouched.force = 9.0;
  EXPECT_FALSE(records::unpackMeasurement(out.data(), out.size() - 8, untouched, true));
  EXPECT_FALSE(records::unpackMeasurement(out.data(), out.size() - 3, untouched, true));
  EXPECT_FALSE(records::unpackMeasurement(out.data(), out.size(), untouched, false));
  EXPECT_FALSE(records::unpackMeasurement(out.data(), 50, untouched, false));
  EXPECT_EQ(untouched.force, 9.0);
  Sample sample;
  EXPECT_FALSE(records::unpackSample(out.data(), records::SampleSize + 1, sample));
  DataSet header;
  EXPECT_FALSE(records::unpackHeader(out.data(), records::HeaderSize - 1, header));
}

} // namespace
} // namespace zv
