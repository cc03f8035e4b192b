#pragma once
// zarvik-tool: the data set files from the command line.
//   convert IN OUT   reads IN and writes OUT, each as .BIN or .DAT by its extension, with the
//                    graph file of IN (when there is one) written beside OUT for OUT; refuses
//                    to drop what lies beyond the configured limits unless --cut is given,
//                    and never writes a file onto itself
//   dump FILE        prints the data set as JSON (text converted from Latin-1 to UTF-8)
//   export table|data|report FILE
//                    prints the order table, the data table or the program report exactly as
//                    the program puts it on the clipboard (in UTF-8), with the configuration's
//                    number settings and bond tension factors; --comma for the decimal comma
//   report FILE --csv OUT
//                    writes the test report of FILE (with the curves of its graph file) as
//                    CSV: one row per measurement with time to failure, loading rate and the
//                    limits of the configuration it exceeded; --comma for the decimal comma
// Files are loaded exactly as the program loads them: same readers, same limits, same device
// lists, and the same replacement of list values, which is reported on stderr.
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/zv_dataset.hpp"
#include "core/zv_device_lists.hpp"
#include "core/zv_test_report.hpp"
#include "platform/zv_clock.hpp"
#include "storage/zv_config_file.hpp"

namespace zv::tool {

// Exit codes.
constexpr int ExitOk = 0;
constexpr int ExitUsage = 1;    // bad arguments (CLI11 uses its own non-zero codes too)
constexpr int ExitLoad = 2;     // the input could not be loaded
constexpr int ExitSave = 3;     // the output could not be written
constexpr int ExitSettings = 4; // the configuration named with --config could not be read
constexpr int ExitLimits = 5;   // converting would drop data beyond the configured limits

// What loading depends on besides the file.
struct ToolSettings {
  std::filesystem::path configFile; // the configuration read; empty for the built-in values
  DataSetLimits limits;
  BuiltInDeviceLists lists;
  std::string deviceName = "built-in lists";
  BondTensionFactors bond; // the configuration's offset and gain of the bond tension
  ConfigValues config;     // everything the configuration holds (built-in values without one)
};

// The limits and device lists the tool loads with: those of the configuration named with
// --config, else of the user's ZARVIK.INI (through the settings file that names the user
// directory), else the built-in ones; the device lists are those of the measuring channel's
// device file, else the built-in ones. false with a message when a named configuration is
// unreadable.
bool loadToolSettings(const std::optional<std::filesystem::path>& configPath,
                      ToolSettings& settings, std::string& error);

// The data set as JSON text (UTF-8), indented by two blanks.
// Bond tensions and each storage's statistics are computed with the given factors.
std::string dataSetJson(const DataSet& dataSet, const BondTensionFactors& bond = {});

// What the program report takes from where the tool runs.
struct ToolHost {
  const Clock& clock;
  std::filesystem::path installDirectory;
};

// Loads a data set file with its graph file as the program does and hands its test report to
// use (the data set lives as long as the call). The configuration is the one named, else the
// user's; the tester devices are those of its device files. ExitOk or use's result, or
// ExitSettings / ExitLoad after a message on err.
int withTestReport(const std::filesystem::path& file,
                   const std::optional<std::filesystem::path>& configPath, std::ostream& err,
                   const std::function<int(const TestReport&, const ToolSettings&)>& use);

// Writes bytes to a file whole or not at all: ExitOk, or ExitSave after a message on err.
int writeWhole(const std::filesystem::path& file, const std::string& bytes, std::ostream& err);

// Runs the tool; args[0] is the program name.
int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const ToolHost& host);

} // namespace zv::tool
