#pragma once
// The test report as a PDF, drawn with Qt's PDF writer: order, instrument, limits, and per
// storage the dolly, the speed, a table of the single results, the statistics and a small
// force curve per measurement, with page numbers, in either language, on A4 or Letter.
#include <string>

#include "core/zv_test_report.hpp"
#include "storage/zv_report_settings.hpp"

namespace zv {

// The PDF's bytes; false when it could not be made. Needs a QGuiApplication.
bool makeReportPdf(const TestReport& report, const Language& language, PaperSize paper,
                   std::string& bytes);

} // namespace zv
