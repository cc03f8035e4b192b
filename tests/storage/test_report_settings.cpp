// "Pruefbericht" in the configuration: the limits and the paper, read, refused and written.
#include <gtest/gtest.h>

#include "storage/test_config_common.hpp"
#include "storage/zv_report_settings.hpp"

namespace zv {
namespace {

TEST(ReportSettings, ReadsTheSectionKeepsWhatItRefusesAndWritesItBack) {
  ReportSettings s;
  IniHandle none = test::parseIni(test::crlf("[Messung]\nMittelwerte=5\n"));
  EXPECT_TRUE(readReportSection(none, s));
  EXPECT_EQ(s, ReportSettings{}); // 1.0 MPa/s, 90 s, A4

  IniHandle doc = test::parseIni(
      test::crlf("[Pruefbericht]\nBelastungsrate[MPa/s]=0.5\nBruchzeit[s]=120\nPapier=letter\n"));
  EXPECT_TRUE(readReportSection(doc, s));
  EXPECT_EQ(s.limits, (TestLimits{0.5, 120.0}));
  EXPECT_EQ(s.paper, PaperSize::Letter);

  IniHandle bad = test::parseIni(
      test::crlf("[Pruefbericht]\nBelastungsrate[MPa/s]=-1\nBruchzeit[s]=nan\nPapier=A5\n"));
  EXPECT_FALSE(readReportSection(bad, s));
  EXPECT_EQ(s.limits, (TestLimits{0.5, 120.0}));
  EXPECT_EQ(s.paper, PaperSize::Letter);

  writeReportSection(none, s);
  ReportSettings back;
  EXPECT_TRUE(readReportSection(none, back));
  EXPECT_EQ(back, s);
  EXPECT_NE(test::iniText(none).find("[Messung]"), std::string::npos); // the rest stays
}

} // namespace
} // namespace zv
