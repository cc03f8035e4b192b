#pragma once
// File > Export Report... and File > Export CSV...: the test report of the open data set as a
// PDF or a CSV file. Each asks for the file (and whether to replace one that exists), builds
// the report, writes the file whole or not at all, and says what it did in a popup.
#include <filesystem>
#include <functional>
#include <string>

#include "core/zv_test_report.hpp"
#include "storage/zv_report_settings.hpp"

namespace zv {

class Program;
class TesterDevice;

// Results besides 0 (done) and 1 (the user cancelled).
enum ReportExportCode : int {
  ReportNoDataSet = -2201,
  ReportBuildFailed = -2202, // no memory, or the PDF could not be made
  ReportWriteFailed = -2203,
};

// A tester device as the report shows it.
ReportTester reportTesterOf(const TesterDevice& device);

// The report of the open data set now, with its curves loaded from the graph file. The data
// set must exist.
TestReport programTestReport(Program& program);

// Makes the PDF's bytes; false when it could not. The window layer provides it.
using PdfMaker = std::function<bool(const TestReport&, const Language&, PaperSize, std::string&)>;

int exportCsv(Program& program);
int exportReport(Program& program, const PdfMaker& makePdf);

} // namespace zv
