#pragma once
// The test report's section of the configuration, "Pruefbericht": the limits a pull is
// checked against and the paper of the PDF. Programs that do not know the section keep it.
#include "core/zv_pull_timing.hpp"
#include "storage/zv_ini.hpp"

namespace zv {

enum class PaperSize { A4 = 0, Letter = 1 };

struct ReportSettings {
  TestLimits limits;
  PaperSize paper = PaperSize::A4;
  friend bool operator==(const ReportSettings&, const ReportSettings&) = default;
};

// Reads the section when it exists. A limit that is not a number above 0 and a paper other
// than "A4" or "Letter" (in any case) keep their values; false when any value was refused.
bool readReportSection(IniDocument* doc, ReportSettings& settings);
// Replaces the section.
void writeReportSection(IniDocument* doc, const ReportSettings& settings);

} // namespace zv
