#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/zv_calculate.hpp"

namespace zv {
namespace {

// A storage whose measurements have these bond tensions (area 1, built-in factors) and flags.
StorageCondition storageWith(const std::vector<double>& tensions, const std::vector<int>& on = {}) {
  StorageCondition st;
  st.evaluation = "A";
  for (std::size_t i = 0; i < tensions.size(); ++i) {
    Measurement m;
    m.force = tensions[i];
    m.area = 1.0;
    m.inStatistics = on.empty() ? 1 : on[i];
    st.measurements.push_back(m);
  }
  return st;
}

TEST(BondTension, ForceOverAreaTimesGainPlusOffset) {
  Measurement m;
  m.force = 2.5;
  m.area = 1000.0;
  EXPECT_EQ(0, measCalcBondTension(&m, {0.0, 1000.0}));
  const double plain = m.bondTension;
  EXPECT_EQ(0, measCalcBondTension(&m, {0.5, 1.0}));
  EXPECT_EQ((std::tuple{2.5, 0.5025}), (std::tuple{plain, m.bondTension}));
  // Unguarded division: a zero area gives infinity, NaN with zero force.
  EXPECT_EQ((std::tuple{true, true}), (std::tuple{std::isinf(bondTensionOf(1.0, 0.0, {})),
                                                  std::isnan(bondTensionOf(0.0, 0.0, {}))}));
}

// Only the measurements switched on count: none, one and two of them; beyond the t table's 21
// degrees of freedom t is 2; equal values have no spread (the one-pass form would give a
// slightly negative variance, hence NaN); a large mean keeps its digits.
TEST(StorageStatistics, CountedMeasurements) {
  std::vector<double> alternating;
  for (int i = 0; i < 22; ++i)
    alternating.push_back(1.0 + (i % 2));
  const double sa22 = std::sqrt(5.5 / 21), sa21 = std::sqrt((51 - 31.0 * 31 / 21) / 20);
  struct Case {
    std::vector<double> tensions;
    std::vector<int> on;
    int count;
    double mean, sa, vb, minimum, maximum;
  };
  for (const Case& c :
       {Case{{1.0, 2.0}, {0, 0}, 0, 0.0, 0.0, 0.0, 0.0, 0.0},
        Case{{1.0, 2.0, 4.0}, {0, 1, 0}, 1, 2.0, 0.0, 0.0, 2.0, 2.0},
        Case{{1.0, 2.0}, {1, 1}, 2, 1.5, std::sqrt(0.5), 6.353, 1.0, 2.0},
        Case{alternating, {}, 22, 1.5, sa22, 2.0 * sa22 / std::sqrt(22.0), 1.0, 2.0},
        Case{{alternating.begin(), alternating.end() - 1},
             {},
             21,
             31.0 / 21,
             sa21,
             2.086 * sa21 / std::sqrt(21.0),
             1.0,
             2.0},
        Case{{0.1, 0.1, 0.1}, {}, 3, 0.1, 0.0, 0.0, 0.1, 0.1},
        Case{{1e9 + 1, 1e9 + 2, 1e9 + 3},
             {},
             3,
             1e9 + 2,
             1.0,
             4.303 / std::sqrt(3.0),
             1e9 + 1,
             1e9 + 3}}) {
    SCOPED_TRACE(c.tensions.size());
    StorageCondition st = storageWith(c.tensions, c.on);
    ASSERT_EQ(0, calcStorageStatistics(&st, {}));
    EXPECT_EQ((std::tuple{c.count, c.minimum, c.maximum}),
              (std::tuple{st.statCount, st.minimum, st.maximum}));
    EXPECT_DOUBLE_EQ(c.mean, st.mean);
    EXPECT_NEAR(c.sa, st.sa, 1e-9);
    EXPECT_NEAR(c.vb, st.vb, 1e-9);
    if (c.sa == 0.0) {
      EXPECT_EQ((std::tuple{0.0, 0.0}), (std::tuple{st.sa, st.vb}));
    }
  }
}

TEST(StorageStatistics, OnOffDecidesNotTheStatus) {
  StorageCondition st = storageWith({3.0, 5.0, 100.0}, {1, 1, 0});
  st.measurements[0].status = static_cast<int>(MeasurementStatus::Invalid);
  st.measurements[2].status = static_cast<int>(MeasurementStatus::MeasuringValid);
  calcStorageStatistics(&st, {});
  EXPECT_EQ((std::tuple{2, 4.0, 5.0}), (std::tuple{st.statCount, st.mean, st.maximum}));
}

TEST(StorageStatistics, UsesTheFactorsAndEachArea) {
  StorageCondition st = storageWith({2.5, 5.0});
  st.measurements[0].area = 1000.0;
  st.measurements[1].area = 2000.0;
  calcStorageStatistics(&st, {0.0, 1000.0});
  EXPECT_EQ((std::tuple{2.5, 2.5, 0.0}),
            (std::tuple{st.mean, st.measurements[1].bondTension, st.sa}));
}

TEST(StorageStatistics, NonFiniteTensionsLeaveTheSpreadUndefined) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  // The first force over area 0: infinity (2 kN) or NaN (0 kN) among finite values.
  for (double force : {2.0, 0.0}) {
    StorageCondition st = storageWith({force, 3.0, 3.0});
    st.measurements[0].area = 0.0;
    calcStorageStatistics(&st, {});
    EXPECT_TRUE(std::isnan(st.sa) && std::isnan(st.vb) && (std::isnan(st.mean) || st.mean == inf))
        << force;
  }
  // One counted value keeps SA and VB at 0, whatever it is.
  StorageCondition one = storageWith({nan});
  calcStorageStatistics(&one, {});
  EXPECT_EQ((std::tuple{0.0, 0.0}), (std::tuple{one.sa, one.vb}));
}

TEST(StatisticsText, DisplayForm) {
  StorageCondition st = storageWith({1.0, 2.0});
  EXPECT_EQ(" 1.50 +- 0.71 +- 6.35 (2) A", storageSummaryDisplay(&st, {}, {}));
  const StatisticsFormat three{3};
  st.measurements[1].inStatistics = 0;
  EXPECT_EQ(" 1.000 +- 0.000 +- 0.000 (1) A", storageSummaryDisplay(&st, {}, three));
  st.measurements[0].inStatistics = 0;
  EXPECT_EQ(" 0.00 +- 0.00 +- 0.00 (0) A", storageSummaryDisplay(&st, {}, {}));
}

TEST(StatisticsText, ExportFormIsNeverCut) {
  StorageCondition st = storageWith({1.0, 2.0});
  EXPECT_EQ("\t1,5\t0,7\t6,4\t2\tA", storageSummaryExport(&st, {}, {1, 3, 1, ','}));
  // The display form keeps its 80-byte field; the export keeps every digit.
  const std::string wide = storageSummaryExport(&st, {}, {30, 40, 4, '.'});
  EXPECT_EQ(wide.size(), 1 + 3 * 41 + 5 + 1u);
  EXPECT_EQ(" 1.500000000000000000000000000000 +- 0.7071067811865475",
            storageSummaryDisplay(&st, {}, {30}).substr(0, 55));
  EXPECT_EQ(79u, st.summaryText.size());
}

} // namespace
} // namespace zv
