// A journal record of a measurement with its curve carries exactly the points it announces.
#include <gtest/gtest.h>

#include "storage/zv_restore_records.hpp"

namespace zv {
namespace {

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
}

} // namespace
} // namespace zv
