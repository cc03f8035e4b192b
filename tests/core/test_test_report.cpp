// Time to failure and loading rate from a curve's shape, the flags, and the CSV text of a test
// report. The simulator's pulls are checked end to end in tests/e2e.
#include <gtest/gtest.h>

#include "core/zv_test_report.hpp"
#include "platform/zv_latin1.hpp"

namespace zv {
namespace {

// Rest for `rest` s, a rise at `speed` kN/s up to `peak`, then held for 1 s; 100 points per s.
std::vector<double> pull(double rest, double speed, double peak) {
  std::vector<double> f;
  for (int i = 0; i < 100 * rest; ++i)
    f.push_back(0.002);
  for (double v = 0.002; v < peak; v += speed / 100)
    f.push_back(v);
  f.insert(f.end(), 100, peak);
  return f;
}

TEST(PullTiming, ReadsTheRiseAndTellsNothingWhereTheCurveCannot) {
  const auto ramp = pull(2.0, 0.1, 2.5);
  PullTiming t = pullTiming(ramp, 100, 200.0);
  ASSERT_TRUE(t.loadingRate && t.timeToFailure);
  EXPECT_NEAR(*t.loadingRate, 0.5, 1e-9); // 100 N/s on 200 mm²
  EXPECT_NEAR(*t.timeToFailure, 25.0, 0.05);
  // A curve that starts inside the rise (the start scrolled out): the line gives the start.
  const std::vector<double> late(ramp.begin() + 1200, ramp.end());
  t = pullTiming(late, 100, 200.0);
  ASSERT_TRUE(t.timeToFailure);
  EXPECT_NEAR(*t.timeToFailure, 25.0, 0.05);
  // Without an area only the time is known.
  t = pullTiming(ramp, 100, 0.0);
  EXPECT_FALSE(t.loadingRate);
  EXPECT_TRUE(t.timeToFailure);
  // No curve, a flat one, one whose rise has no point between 20 and 80 %, no rate.
  EXPECT_FALSE(pullTiming({}, 100, 200.0).timeToFailure);
  EXPECT_FALSE(pullTiming(std::vector<double>(50, 0.0), 100, 200.0).timeToFailure);
  EXPECT_FALSE(pullTiming(std::vector<double>{0, 0, 0, 3, 3}, 100, 200.0).loadingRate);
  EXPECT_FALSE(pullTiming(ramp, 0, 200.0).loadingRate);
}

TEST(PullTiming, FlagsOnlyWhatIsKnownAndBeyondTheLimit) {
  const TestLimits limits{1.0, 90.0};
  EXPECT_EQ(pullFlags({90.0, 1.0}, limits), 0u); // the limits themselves are allowed
  EXPECT_EQ(pullFlags({90.5, 1.01}, limits), pull_flag::TooFast | pull_flag::TooLong);
  EXPECT_EQ(pullFlags({std::nullopt, 2.0}, limits), pull_flag::TooFast);
  EXPECT_EQ(pullFlags({}, limits), 0u);
}

TEST(TestReportCsv, OneQuotedRowPerMeasurementWithTheSeparatorOfTheDecimalSign) {
  DataSet d;
  d.samples.resize(1);
  d.samples[0].name = "P;1";
  d.samples[0].storages.resize(1);
  StorageCondition& t = d.samples[0].storages[0];
  t.name = "Wasser \"7d\""; // quotes are doubled
  t.evaluation = "Kleber";
  t.area = 200.0;
  t.measurements.resize(2);
  for (int k = 0; k < 2; ++k) {
    Measurement& m = t.measurements[static_cast<std::size_t>(k)];
    m.measurementIndex = k;
    m.force = 2.5;
    m.area = 200.0;
    m.speed = 1000.0;
    m.inStatistics = k == 0;
    m.status = 5;
  }
  t.measurements[0].points = pull(1.0, 1.0, 2.5);
  t.measurements[0].pointCount = static_cast<std::int32_t>(t.measurements[0].points.size());
  t.measurements[0].curveRate = 100;
  ReportSources s;
  s.bondUnit = "[kN/mm2]";
  const TestReport r = buildTestReport(d, s);
  ASSERT_EQ(r.storages.size(), 1u);
  EXPECT_EQ((std::tuple{1, 0.0}), // one counted value: no spread, no variation
            (std::tuple{r.storages[0].statistics.statCount, r.storages[0].variation}));
  EXPECT_NEAR(r.storages[0].diameter, 15.958, 1e-3);
  EXPECT_EQ(r.storages[0].rows[0].flags, pull_flag::TooFast); // 5 MPa/s

  EXPECT_EQ(testReportCsv(r, Language{1}, '.'),
            "Sample,Storage,No.,Area [mm2],Speed [N/s],Force [kN],Tension [kN/mm2],Status,On/Off,"
            "Evaluation,Time to failure [s],Loading rate [MPa/s],Flags\r\n"
            "P;1,\"Wasser \"\"7d\"\"\",1,200,1000,2.5,0.0125,Measuring Valid,On,Kleber,2.50,"
            "5.0000,too fast\r\n"
            "P;1,\"Wasser \"\"7d\"\"\",2,200,1000,2.5,0.0125,Measuring Valid,Off,Kleber,,,\r\n");
  const std::string german = testReportCsv(r, Language{0}, ',');
  EXPECT_NE(german.find("\"P;1\";\"Wasser \"\"7d\"\"\";1;200;1000;2,5;0,0125;"), std::string::npos)
      << german;
  EXPECT_NE(german.find(latin1ToUtf8("Fläche [mm2]"_l1)), std::string::npos); // UTF-8
  EXPECT_NE(german.find(";Ein;Kleber;2,50;5,0000;zu schnell\r\n"), std::string::npos);
}

} // namespace
} // namespace zv
