#pragma once
// Help > Copy Report: the program's state as a text of 21 lines (paths, number settings,
// limits, acquisition box, tester devices, measurement parameters, data file options), for
// pasting into a message. The values are gathered first, so the command-line tool can build
// the same text without a running program.
#include <array>
#include <ctime>
#include <optional>
#include <string>

#include "core/zv_dataset.hpp"
#include "core/zv_meas_params.hpp"
#include "storage/zv_display_settings.hpp"

namespace zv {

class Program;

// Everything the report shows. Paths are in the file system's encoding.
struct ReportValues {
  std::tm time{};
  std::string installDirectory;
  std::string supportVersion; // the graph and backup store's version text
  std::string backupDirectory;
  std::string graphDirectory; // where graph files that had to make way are kept
  std::string configPath;
  std::string logFilePath;
  ClipboardSettings clipboard;
  DataSetLimits limits;
  MeasParams measParams;
  struct Tester {
    std::string name, serialNumber, path;
  };
  std::array<Tester, 2> testers;
  int dataWrtTypeSelect = 0;
  int saveGraph = 1;
  std::string dataFilePath;
  struct OpenGraph {
    std::string graphPath, dataPath;
  };
  std::optional<OpenGraph> openGraph; // only while a graph file is open
};

// The values of the running program at `when`.
ReportValues reportValues(const Program& program, std::time_t when);

// The report: an empty line, then one line per entry, each ending in a line feed. Numbers
// with decimals use decimalSeparator; paths are shown in Latin-1 ("?" for what it lacks).
std::string programReportText(const ReportValues& values, char decimalSeparator);

} // namespace zv
