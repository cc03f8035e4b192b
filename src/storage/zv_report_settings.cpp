#include "storage/zv_report_settings.hpp"

#include <cmath>
#include <string>

namespace zv {

namespace {

constexpr const char* Section = "Pruefbericht";
constexpr const char* RateKey = "Belastungsrate[MPa/s]";
constexpr const char* TimeKey = "Bruchzeit[s]";
constexpr const char* PaperKey = "Papier";

// 1 taken, 0 absent, -1 refused.
int readLimit(IniDocument* doc, const char* key, double& target) {
  if (Ini_ItemExists(doc, Section, key) != 1)
    return 0;
  double v = 0.0;
  if (Ini_GetDouble(doc, Section, key, &v) != 1 || !std::isfinite(v) || !(v > 0.0))
    return -1;
  target = v;
  return 1;
}

int readPaper(IniDocument* doc, PaperSize& paper) {
  std::string text;
  if (Ini_GetRawStringIntoBuffer(doc, Section, PaperKey, &text, 16) != 1)
    return 0;
  if (Ini_SameName(text, "A4"))
    paper = PaperSize::A4;
  else if (Ini_SameName(text, "Letter"))
    paper = PaperSize::Letter;
  else
    return -1;
  return 1;
}

} // namespace

bool readReportSection(IniDocument* doc, ReportSettings& s) {
  if (Ini_SectionExists(doc, Section) != 1)
    return true;
  const int rate = readLimit(doc, RateKey, s.limits.maxLoadingRate);
  const int time = readLimit(doc, TimeKey, s.limits.maxTimeToFailure);
  const int paper = readPaper(doc, s.paper);
  return rate >= 0 && time >= 0 && paper >= 0;
}

void writeReportSection(IniDocument* doc, const ReportSettings& s) {
  Ini_RemoveSection(doc, Section);
  Ini_PutDouble(doc, Section, RateKey, s.limits.maxLoadingRate);
  Ini_PutDouble(doc, Section, TimeKey, s.limits.maxTimeToFailure);
  Ini_PutRawString(doc, Section, PaperKey, s.paper == PaperSize::Letter ? "Letter" : "A4");
}

} // namespace zv
