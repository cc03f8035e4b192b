#include "storage/zv_config_file.hpp"

#include "platform/zv_latin1.hpp"
#include "storage/zv_dataset_settings.hpp"

namespace zv {

namespace {

constexpr const char* Verzeichnisse = "Verzeichnisse";
constexpr const char* Dateien = "Dateien";
constexpr const char* Optionen = "Optionen";
constexpr int PathBuffer = 260; // 259 characters

void readPathText(IniDocument* doc, const char* section, const char* key, std::string& target) {
  if (Ini_ItemExists(doc, section, key) == 1)
    Ini_GetRawStringIntoBuffer(doc, section, key, &target, PathBuffer);
}

bool endsInSeparator(const std::string& dir) {
  if (dir.empty())
    return false;
  const char c = dir.back();
#ifdef _WIN32
  return c == '\\' || c == '/' || c == ':';
#else
  return c == '/';
#endif
}

// "Verzeichnisse", "Optionen" and "Dateien" as one chain: a number that does not convert
// stops the options after it; "Datenfile" needs the last conversion to have worked.
void readFileSections(IniDocument* doc, const ConfigTargets& t) {
  readPathText(doc, Verzeichnisse, "Daten", *t.dataDirectory);
  IniIntChain chain(doc);
  chain.chained(Optionen, "Graphik Speichern", *t.saveGraph);
  chain.chained(Optionen, "Auto Speichern", t.options->autoSave);
  chain.chained(Optionen, "Speicherintervall", t.options->saveInterval);
  chain.chained(Optionen, "Datentyp Speichern", *t.dataWrtTypeSelect);
  int language = *t.language;
  chain.always(Optionen, "Sprache", language);
  *t.language = language == 1 ? 1 : 0; // 1 English, anything else German
  chain.always(Optionen, "Fenstermodus", *t.singlePanel);
  if (chain.ok())
    readPathText(doc, Dateien, "Datenfile", *t.recentFilePath);
}

void writeFileSections(IniDocument* doc, const ConfigTargets& t) {
  Ini_RemoveSection(doc, Verzeichnisse);
  Ini_RemoveSection(doc, Dateien);
  Ini_RemoveSection(doc, Optionen);
  Ini_PutRawString(doc, Verzeichnisse, "Daten", *t.dataDirectory);
  Ini_PutRawString(
      doc, Dateien, "Datenfile",
      recentDataFileValue(t.dataFileDirectory ? *t.dataFileDirectory : *t.dataDirectory,
                          *t.dataFileName, *t.recentFilePath));
  Ini_PutInt(doc, Optionen, "Graphik Speichern", *t.saveGraph);
  Ini_PutInt(doc, Optionen, "Auto Speichern", t.options->autoSave);
  Ini_PutInt(doc, Optionen, "Speicherintervall", t.options->saveInterval);
  Ini_PutInt(doc, Optionen, "Datentyp Speichern", *t.dataWrtTypeSelect);
  Ini_PutInt(doc, Optionen, "Sprache", *t.language);
  Ini_PutInt(doc, Optionen, "Fenstermodus", *t.singlePanel);
}

} // namespace

bool ConfigTargets::complete() const {
  for (const DeviceFileRef& d : devices)
    if (!d.fileName || !d.directory || !d.path)
      return false;
  return limits && dataDirectory && dataFileName && recentFilePath && saveGraph &&
         dataWrtTypeSelect && language && singlePanel && options && display && clipboard &&
         measParams && evaluations;
}

void ConfigSettings::bind(ConfigTargets& t) {
  t.dataDirectory = &dataDirectory;
  t.dataFileName = &dataFileName;
  t.saveGraph = &saveGraph;
  t.dataWrtTypeSelect = &dataWrtTypeSelect;
  t.options = &options;
  t.display = &display;
  t.clipboard = &clipboard;
  t.report = &report;
  t.devices = {devices[0].ref(), devices[1].ref()};
}

ConfigTargets ConfigValues::targets() {
  ConfigTargets t;
  bind(t);
  t.limits = &limits;
  t.recentFilePath = &recentFilePath;
  t.language = &language;
  t.singlePanel = &singlePanel;
  t.measParams = &measParams;
  t.defaults = &defaults;
  t.evaluations = &evaluations;
  return t;
}

std::string recentDataFileValue(const std::string& dataDirectory, const std::string& dataFileName,
                                const std::string& recentFilePath) {
  if (dataDirectory.empty() || dataFileName.empty())
    return recentFilePath;
  std::string joined = dataDirectory;
  if (!endsInSeparator(joined))
    joined.push_back(static_cast<char>(std::filesystem::path::preferred_separator));
  return cutToField(joined + dataFileName, PathBuffer);
}

int readConfiguration(IniDocument* doc, const ConfigTargets& t) {
  if (!doc)
    return IniNoDocument;
  if (t.limits)
    readInfoSection(doc, *t.limits);
  if (t.dataDirectory && t.saveGraph && t.options && t.dataWrtTypeSelect && t.language &&
      t.singlePanel && t.recentFilePath)
    readFileSections(doc, t);
  if (t.display && t.clipboard)
    readDisplaySections(doc, *t.display, *t.clipboard);
  readHardwareSection(doc, t.devices);
  if (t.measParams)
    readMeasSections(doc, *t.measParams);
  if (t.report)
    readReportSection(doc, *t.report);
  if (t.defaults) {
    const DataSetLimits limits = t.limits ? *t.limits : DataSetLimits{};
    readDefaultsSection(doc, *t.defaults, limits);
  }
  return t.evaluations ? readEvaluationSection(doc, *t.evaluations) : 0;
}

int readConfigurationFile(const std::filesystem::path& path, const ConfigTargets& t,
                          FileSystem& fs) {
  IniHandle doc = Ini_New(0);
  if (!doc)
    return IniOutOfMemory;
  const int r = Ini_ReadFromFile(doc, path, fs);
  if (r != 0)
    return r; // a file read only in part gives nothing
  return readConfiguration(doc, t);
}

void writeConfiguration(IniDocument* doc, const ConfigTargets& t) {
  writeInfoSection(doc, *t.limits, ConfigProgramCode, ConfigProgramVersion);
  writeFileSections(doc, t);
  writeDisplaySections(doc, *t.display, *t.clipboard);
  writeHardwareSection(doc, t.devices);
  writeMeasSections(doc, *t.measParams);
  if (t.report)
    writeReportSection(doc, *t.report);
  Ini_RemoveSection(doc, "VORGABEN");
  if (t.defaults)
    writeDefaultsSection(doc, *t.defaults);
  writeEvaluationSection(doc, *t.evaluations);
}

int writeConfigurationFile(const std::filesystem::path& path, const ConfigTargets& t,
                           FileSystem& fs) {
  if (!t.complete())
    return ConfigIncomplete;
  IniHandle doc = Ini_New(0);
  if (!doc)
    return ConfigNotRead;
  // Only an existing file is updated; a missing one fails here and is never created.
  if (Ini_ReadFromFile(doc, path, fs) != 0)
    return ConfigNotRead;
  writeConfiguration(doc, t);
  if (Ini_WriteToFile(doc, path, fs) != 0)
    return ConfigNotWritten;
  return 0;
}

} // namespace zv
