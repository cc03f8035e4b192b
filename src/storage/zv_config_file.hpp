#pragma once
// The program configuration ZARVIK.INI: every setting that survives a run. It is read once at
// start-up and written once at shutdown, and only ever updated: the program never creates it.
//
// The values live with their owners (limits and defaults with the data set, the measurement
// parameters, the evaluation list, the device records, the file state); ConfigTargets points
// at them. ConfigValues holds a complete set of its own for callers without a program, such
// as the command-line tool.
#include <array>
#include <filesystem>
#include <string>

#include "core/zv_dataset.hpp"
#include "core/zv_evaluation_list.hpp"
#include "core/zv_meas_params.hpp"
#include "platform/zv_fileio.hpp"
#include "storage/zv_dataset_settings.hpp"
#include "storage/zv_display_settings.hpp"
#include "storage/zv_ini.hpp"
#include "storage/zv_meas_settings.hpp"
#include "storage/zv_report_settings.hpp"

namespace zv {

constexpr const char* ConfigFileName = "ZARVIK.INI";
constexpr int ConfigProgramCode = 3;
constexpr int ConfigProgramVersion = 64;

// Results of writing the configuration besides 0.
enum ConfigFileCode : int {
  ConfigNotRead = -2,    // no document, or the existing file could not be read
  ConfigIncomplete = -3, // a value to be written has no place (programming error)
  ConfigNotWritten = -4, // the file could not be replaced
};

// Options that only the configuration keeps; the program stores them and writes them back.
struct ConfigOptions {
  int autoSave = 1;
  int saveInterval = 10;
  friend bool operator==(const ConfigOptions&, const ConfigOptions&) = default;
};

// Where every value of the configuration lives. defaults may be null: "VORGABEN" is then
// neither read nor written. Everything else must be set before a save.
struct ConfigTargets {
  DataSetLimits* limits = nullptr;
  std::string* dataDirectory = nullptr;
  std::string* dataFileName = nullptr;
  // The current data file's directory when it may differ from the data directory; null: the
  // data directory.
  std::string* dataFileDirectory = nullptr;
  std::string* recentFilePath = nullptr;
  int* saveGraph = nullptr;
  int* dataWrtTypeSelect = nullptr;
  int* language = nullptr;
  int* singlePanel = nullptr;
  ConfigOptions* options = nullptr;
  DisplaySettings* display = nullptr;
  ClipboardSettings* clipboard = nullptr;
  std::array<DeviceFileRef, 2> devices{};
  MeasParams* measParams = nullptr;
  DataSetDefaults* defaults = nullptr;
  EvaluationList* evaluations = nullptr;
  ReportSettings* report = nullptr; // null: "Pruefbericht" is neither read nor written

  bool complete() const;
};

// The settings that only the configuration keeps, and (until their owners hold them) the
// data file settings and the device file locations.
struct ConfigSettings {
  std::string dataDirectory;
  std::string dataFileName;
  int saveGraph = 1;
  int dataWrtTypeSelect = 0;
  ConfigOptions options;
  DisplaySettings display;
  ClipboardSettings clipboard;
  std::array<DeviceFileLocation, 2> devices;
  ReportSettings report;

  // Points the targets of these values here.
  void bind(ConfigTargets& targets);
};

// A complete set of configuration values with their built-in values.
struct ConfigValues : ConfigSettings {
  DataSetLimits limits;
  std::string recentFilePath;
  int language = 1;
  int singlePanel = 1;
  MeasParams measParams;
  DataSetDefaults defaults;
  EvaluationList evaluations;

  ConfigTargets targets();
};

// Takes every section of a read document into the targets (missing keys and sections leave
// their values). The result is that of the last step, the evaluation list: 0, or
// ConfigNoEvaluationSection, ConfigNoEvaluationItem.
int readConfiguration(IniDocument* doc, const ConfigTargets& targets);
// Reads the file and takes its values. The read error of the engine when the file cannot be
// read (then nothing is taken), else the result of readConfiguration.
int readConfigurationFile(const std::filesystem::path& path, const ConfigTargets& targets,
                          FileSystem& fs = realFileSystem());

// Replaces the program's sections in a document read from the existing file; sections the
// program does not know stay in front with their comments.
void writeConfiguration(IniDocument* doc, const ConfigTargets& targets);
// Updates the existing file: 0, ConfigIncomplete, ConfigNotRead (the file is missing or
// unreadable: nothing is written, so no file is ever created) or ConfigNotWritten (the old
// file stays as it was).
int writeConfigurationFile(const std::filesystem::path& path, const ConfigTargets& targets,
                           FileSystem& fs = realFileSystem());

// "Datenfile": the current data file when there is one, else the one read at start.
std::string recentDataFileValue(const std::string& dataDirectory, const std::string& dataFileName,
                                const std::string& recentFilePath);

} // namespace zv
