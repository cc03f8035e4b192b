// The order table and data table exports, compared whole with texts written by hand.
#include <gtest/gtest.h>

#include "core/zv_export_tables.hpp"

namespace zv {
namespace {

struct Cell {
  std::vector<double> tensions;
  std::vector<int> on;
  std::string evaluation;
};

// Samples P1, P2 by storages L1, L2; area 1 and the built-in factors, so a force is its bond
// tension. The stored bond tensions and statistics are stale: the exports recompute them.
DataSet twoByTwo() {
  const Cell cells[2][2] = {{{{1.0, 2.0}, {1, 1}, "AU"}, {{3.0, 4.0}, {1, 0}, ""}},
                            {{{2.5}, {0}, "AX"}, {{1.25, 1.75}, {1, 1}, "AX"}}};
  DataSet d;
  for (int i = 0; i < 2; ++i) {
    Sample s;
    s.name = "P" + std::to_string(i + 1);
    for (int j = 0; j < 2; ++j) {
      StorageCondition t;
      t.name = "L" + std::to_string(j + 1);
      t.evaluation = cells[i][j].evaluation;
      for (std::size_t k = 0; k < cells[i][j].tensions.size(); ++k) {
        Measurement m;
        m.force = cells[i][j].tensions[k];
        m.area = 1.0;
        m.bondTension = 99.0;
        m.inStatistics = cells[i][j].on[k];
        t.measurements.push_back(m);
      }
      s.storages.push_back(t);
    }
    d.samples.push_back(s);
  }
  return d;
}

TEST(ExportTables, OrderTableWithDecimalPoint) {
  DataSet d = twoByTwo();
  std::string text;
  ASSERT_EQ(orderTableText(&d, {}, {}, exportWords(Language{1}), text), 0);
  EXPECT_EQ(text, "Sample\tL1\t\t\t\t\tL2\n"
                  "\tN/mm2\tSA+-\tVB+-\tNumber\tEvaluation\tN/mm2\tSA+-\tVB+-\tNumber\tEvaluation\n"
                  "P1\t        1.50\t        0.71\t        6.35\t   2\tAU"
                  "\t        3.00\t        0.00\t        0.00\t   1\t\n"
                  "P2\t        0.00\t        0.00\t        0.00\t   0\tAX"
                  "\t        1.50\t        0.35\t        3.18\t   2\tAX");
}

TEST(ExportTables, DataTableIsStorageMajorWithTheMeasurementsThatAreOn) {
  DataSet d = twoByTwo();
  std::string text;
  ASSERT_EQ(dataTableText(&d, {}, {}, exportWords(Language{1}), text), 0);
  EXPECT_EQ(text,
            "Storage\tSample\tNumber\tMean\tSA+-\tVB+-\tMeasuring\n"
            "L1\tP1\t   2\t        1.50\t        0.71\t        6.35\t        1.00\t        2.00\n"
            "L1\tP2\t   0\t        0.00\t        0.00\t        0.00\n"
            "L2\tP1\t   1\t        3.00\t        0.00\t        0.00\t        3.00\n"
            "L2\tP2\t   2\t        1.50\t        0.35\t        3.18\t        1.25\t        1.75\n");

  ASSERT_EQ(dataTableText(&d, {0.0, 1000.0}, {1, 0, 0, ','}, exportWords(Language{0}), text), 0);
  EXPECT_EQ(text, "Lagerung\tProbe\tAnzahl\tMittelwert\tSA+-\tVB+-\tMessung\n"
                  "L1\tP1\t2\t1500,0\t707,1\t6353,0\t1000,0\t2000,0\n"
                  "L1\tP2\t0\t0,0\t0,0\t0,0\n"
                  "L2\tP1\t1\t3000,0\t0,0\t0,0\t3000,0\n"
                  "L2\tP2\t2\t1500,0\t353,6\t3176,5\t1250,0\t1750,0\n");
}

} // namespace
} // namespace zv
