#pragma once
// The test report a lab hands its customer: the order, the instrument, and per storage the
// dolly, the speed, every single result with its time to failure, loading rate and the limits
// it exceeded, and the statistics. The same record feeds the CSV text below and the PDF of
// the window layer, so the program and the command-line tools report the same numbers.
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "core/zv_calculate.hpp"
#include "core/zv_dataset.hpp"
#include "core/zv_piston_list.hpp"
#include "core/zv_pull_timing.hpp"

namespace zv {

// A tester device as its device file holds it when the report is made.
struct ReportTester {
  std::string name;         // Latin-1
  std::string serialNumber; // Latin-1
  PistonList pistons;
};

// One instrument the data set was measured with: the device name the measurements carry, and
// what the device file of their tester says now about it and the piston range.
struct ReportInstrument {
  std::string deviceName; // Latin-1, from the measurements
  std::int32_t channel = 0;
  double range = 0.0;               // kN
  std::string serialNumber;         // Latin-1, from the device file
  std::int32_t calibrationDate = 0; // seconds since 1970; 0 = never; -1 = range not in the file
};

struct ReportRow {
  const Measurement* measurement = nullptr; // its curve, for the graphs
  std::int32_t number = 0;                  // 1-based
  double force = 0.0;                       // kN
  double bondTension = 0.0;
  double area = 0.0;  // mm²
  double speed = 0.0; // N/s
  std::int32_t status = 0;
  bool on = false;
  PullTiming timing;
  unsigned flags = 0; // pull_flag bits
};

struct ReportStorage {
  std::string sampleName, storageName, evaluation; // Latin-1
  double area = 0.0;                               // mm², the storage's dolly
  double diameter = 0.0;                           // mm, of a round dolly of that area
  double speed = 0.0;                              // N/s
  std::vector<ReportRow> rows;
  StorageStatistics statistics; // of the counted bond tensions
  double variation = 0.0;       // coefficient of variation, %; 0 for a mean of 0
};

struct TestReport {
  std::string title, identNumber, identName; // Latin-1
  std::time_t madeAt = 0;
  std::string bondUnit;    // e.g. "[kN/mm2]"
  int forceDecimals = 3;   // forces, areas, speeds as the windows show them
  int tensionDecimals = 2; // bond tensions and their statistics
  TestLimits limits;
  std::vector<ReportInstrument> instruments;
  std::vector<ReportStorage> storages; // sample-major, every storage that holds a measurement
};

// The diameter of a round dolly with this area (mm² -> mm); 0 for an area not above 0.
double dollyDiameter(double area);

// What building a report needs besides the data set.
struct ReportSources {
  BondTensionFactors factors;
  TestLimits limits;
  std::string bondUnit;
  int forceDecimals = 3;
  int tensionDecimals = 2;
  const ReportTester* testers[2] = {nullptr, nullptr};
  // Brings the curve of a measurement that has none in memory (from the graph file).
  std::function<void(Measurement&)> loadCurve;
  std::time_t madeAt = 0;
};

// Builds the report; curves are loaded into their measurements as they are needed.
TestReport buildTestReport(DataSet& dataSet, const ReportSources& sources);

// Time to failure and loading rate of a measurement from its curve in memory (empty when it has
// none).
PullTiming measurementTiming(const Measurement& m);

// The words of the report in one language (Latin-1).
struct ReportWords {
  const char* sample;
  const char* storage;
  const char* number;
  const char* area;
  const char* speed;
  const char* force;
  const char* tension;
  const char* status;
  const char* onOff;
  const char* evaluation;
  const char* timeToFailure;
  const char* loadingRate;
  const char* flags;
  const char* on;
  const char* off;
  const char* tooFast;
  const char* tooLong;
};
const ReportWords& reportWords(const Language& language);

// The flags as words ("too fast, too long"); empty for none.
std::string flagText(unsigned flags, const ReportWords& words);

// The CSV: a heading line, then one line per measurement (sample, storage, number, area,
// speed, force, tension, status, On/Off, evaluation, time to failure, loading rate, flags).
// UTF-8, RFC 4180 (CRLF, fields with the separator, quotes or line breaks quoted). With the
// decimal comma the fields are separated by ';', else by ','. Measured values are written
// with every digit they have; time with 2 and rate with 4 decimals.
std::string testReportCsv(const TestReport& report, const Language& language,
                          char decimalSeparator);

} // namespace zv
