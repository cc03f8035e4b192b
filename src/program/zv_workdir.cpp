#include "program/zv_workdir.hpp"

#include <cstdlib>
#include <memory>
#include <system_error>

#include "core/zv_meas_params.hpp"
#include "platform/zv_file_replacement.hpp"
#include "platform/zv_latin1.hpp"
#include "platform/zv_path_bytes.hpp"
#include "platform/zv_process.hpp"
#include "program/zv_program.hpp"
#include "program/zv_userdir.hpp"

namespace zv {

namespace {

const TextPair dialogTitle{
    "Select User Directory for Storing Configuration and Temporary Files",
    "Auswahl Benutzer Verzeichnis für Speichern der Konfiguration und Temporärer File"_l1};
const TextPair popupTitle{"Select User Directory", "Auswahl Benutzer Verzeichnis"};
const TextPair registryError{"Error Writing to Registry", "Fehler bei Schreiben in Registry"};
const TextPair backupMissing{"Directory Backup is not found. Directory is new created",
                             "Verzeichnis Backup ist nicht vorhanden. Es wird neu erstellt"};
const TextPair graphMissing{"Directory Graph is not found. Directory is new created",
                            "Verzeichnis Graph ist nicht vorhanden. Es wird neu erstellt"};
const TextPair configMissing{"ZARVIK.INI is not found. Pleas copy from backup source",
                             "ZARVIK.INI ist nicht vorhanden. Bitte aus Sicherungsverzeichnis "
                             "kopieren"};
const TextPair copyTitle{"Copy of ZARVIK.INI File", "Kopieren ZARVIK.INI File"};
const TextPair cannotCreate{"Directory cannot be created: ",
                            "Verzeichnis kann nicht erstellt werden: "};
const TextPair cannotCopy{"ZARVIK.INI cannot be copied: ",
                          "ZARVIK.INI kann nicht kopiert werden: "};

enum WorkdirCode : int {
  RefusedWhileMeasuring = -1,
};
constexpr int Cancelled = 1;

// Creates a missing Backup or Graph directory below the user directory, telling the user.
void ensureSubdirectory(Program& p, const std::string& userDir, const char* name,
                        const TextPair& missingText) {
  const std::filesystem::path dir = pathFromBytes(userDir) / name;
  FileSystem& fs = *p.fileSystem;
  if (fs.exists(dir))
    return;
  p.ui.popup(p.lang.pick(popupTitle), p.lang.pick(missingText));
  if (auto ec = fs.createDirectories(dir))
    p.reporter.reportMessage(
        report::PopupAndLog, 0, p.lang.pick(popupTitle),
        std::string(p.lang.pick(cannotCreate)) + pathBytes(dir) + " (" + ec.message() + ")", -2);
}

// Offers to copy a saved ZARVIK.INI into a user directory that has none.
void offerConfigurationCopy(Program& p, const std::string& userDir) {
  const std::filesystem::path target = pathFromBytes(userDir) / ConfigFileName;
  FileSystem& fs = *p.fileSystem;
  if (fs.exists(target))
    return;
  p.ui.popup(p.lang.pick(popupTitle), p.lang.pick(configMissing));
  FileDialogSpec spec;
  spec.mode = FileDialogSpec::Mode::Open;
  spec.title = p.lang.pick(copyTitle);
  spec.startDirectory = userDir;
  spec.defaultName = "*.ini";
  spec.filter = "*.ini;*.*";
  const auto chosen = p.ui.chooseFile(spec);
  if (!chosen || chosen->empty())
    return;
  if (auto ec = replaceWithCopy(fs, *chosen, target))
    p.reporter.reportMessage(
        report::PopupAndLog, 0, p.lang.pick(popupTitle),
        std::string(p.lang.pick(cannotCopy)) + chosen->string() + " (" + ec.message() + ")", -3);
}

} // namespace

ConfigTargets configTargets(Program& p) {
  ConfigTargets t;
  p.config.bind(t);
  // The data file settings belong to the file handling.
  t.dataDirectory = &p.data.files.state().dataDirectory;
  t.dataFileName = &p.data.files.state().dataFileName;
  t.dataFileDirectory = &p.data.files.state().fileDirectory;
  t.saveGraph = &p.data.files.state().saveGraph;
  t.dataWrtTypeSelect = &p.data.files.state().dataWrtTypeSelect;
  t.devices = {p.meas.devices.device(0)->locationRef(), p.meas.devices.device(1)->locationRef()};
  t.limits = &p.data.model.limits();
  t.defaults = &p.data.model.defaults();
  t.recentFilePath = &p.data.recentFilePath;
  t.language = &p.lang.language;
  t.singlePanel = &p.singlePanel;
  t.measParams = &p.meas.params;
  t.evaluations = &p.data.evaluations;
  return t;
}

int loadConfiguration(Program& p) {
  std::string dir;
  if (getUserDirectory(p.registry, p.reporter, p.texts[MessageText::SetupOpenError], dir) != 0)
    return -1;
  p.userDirectory = dir;
  p.configPath = dir + ConfigFileName;
  const int r = readConfigurationFile(pathFromBytes(p.configPath), configTargets(p), *p.fileSystem);
  p.setLanguage(p.lang.language); // the texts follow the configured language
  if (r != 0)
    p.reporter.reportMessage(report::LogOnly, 0, "", p.texts[MessageText::SetupOpenError], r);
  return 0;
}

void clampLoadedSettings(Program& p) {
  ConfigTargets t = configTargets(p);
  checkMeasParams(t.measParams);
}

int saveConfiguration(Program& p) {
  if (p.configPath.empty())
    return -1;
  const int r =
      writeConfigurationFile(pathFromBytes(p.configPath), configTargets(p), *p.fileSystem);
  if (r != 0)
    p.reporter.reportMessage(report::LogOnly, 0, "", p.texts[MessageText::SetupSaveError], r);
  return 0;
}

int setUserDirectory(Program& p) {
  if (p.isMeasuring()) {
    p.reporter.reportMessage(report::PopupAndLog, 0, "", p.texts[MessageText::StopMeasuringFirst],
                             0);
    return RefusedWhileMeasuring;
  }
  const std::string proposed = p.registry.readIniFilePath().value_or(std::string());
  const auto chosen = p.ui.chooseDirectory(p.lang.pick(dialogTitle), pathFromBytes(proposed));
  if (!chosen || chosen->empty())
    return Cancelled;

  const std::string dir = withTrailingSeparator(chosen->string());
  if (!p.registry.writeIniFilePath(dir))
    p.ui.popup(p.lang.pick(popupTitle), p.lang.pick(registryError));

  std::string userDir;
  if (getUserDirectory(p.registry, p.reporter, p.texts[MessageText::SetupOpenError], userDir) ==
      0) {
    ensureSubdirectory(p, userDir, "Backup", backupMissing);
    ensureSubdirectory(p, userDir, "Graph", graphMissing);
    offerConfigurationCopy(p, userDir);
    // The log file lives in the user directory too.
    p.errorLog.setPath(pathFromBytes(userDir) / "zarviklog.txt");
    p.logFilePath = p.errorLog.path();
  }

  const bool loaded = loadConfiguration(p) == 0;
  clampLoadedSettings(p);
  p.registryEntryMissing = !loaded;
  return 0;
}

// ---------------------------------------------------------------------------------------------
// The settings store without Qt

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

void appendUtf8(std::string& out, unsigned long cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | ((cp >> 18) & 0x07)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// A value as the settings store writes it: optional double quotes around it, backslash
// escapes inside; outside quotes a ";" starts a comment.
std::string unescapeSettingsValue(std::string_view v) {
  std::string out;
  bool quoted = false;
  for (std::size_t i = 0; i < v.size(); ++i) {
    const char c = v[i];
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if (!quoted && c == ';')
      break;
    if (c != '\\' || i + 1 >= v.size()) {
      out.push_back(c);
      continue;
    }
    const char e = v[++i];
    switch (e) {
    case 'a':
      out.push_back('\a');
      break;
    case 'b':
      out.push_back('\b');
      break;
    case 'f':
      out.push_back('\f');
      break;
    case 'n':
      out.push_back('\n');
      break;
    case 'r':
      out.push_back('\r');
      break;
    case 't':
      out.push_back('\t');
      break;
    case 'v':
      out.push_back('\v');
      break;
    case 'x': {
      unsigned long cp = 0;
      int digits = 0;
      while (i + 1 < v.size() && digits < 6 && hexValue(v[i + 1]) >= 0) {
        cp = cp * 16 + static_cast<unsigned long>(hexValue(v[++i]));
        ++digits;
      }
      if (cp <= 0x10FFFF)
        appendUtf8(out, cp);
      break;
    }
    case '0':
      break; // an embedded NUL cannot be part of a path
    default:
      out.push_back(e); // \\ \" \' \? and anything unknown
      break;
    }
  }
  if (quoted)
    return out; // an unterminated quote keeps what it had
  return std::string(trim(out));
}

} // namespace

std::optional<std::string> parseSettingsIniFilePath(std::string_view text) {
  bool general = true; // keys before any section belong to [General]
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    std::string_view line = trim(text.substr(0, nl));
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#')
      continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      general = close != std::string_view::npos && trim(line.substr(1, close - 1)) == "General";
      continue;
    }
    const std::size_t eq = line.find('=');
    if (!general || eq == std::string_view::npos || trim(line.substr(0, eq)) != "IniFilePath")
      continue;
    return unescapeSettingsValue(trim(line.substr(eq + 1)));
  }
  return std::nullopt;
}

std::filesystem::path defaultSettingsFile() {
#ifdef _WIN32
  const char* name = "ZARVIK.ini"; // where the settings store keeps its INI format there
#else
  const char* name = "ZARVIK.conf";
#endif
  return userSettingsFolder() / "ZEROVO" / name;
}

std::optional<std::string> SettingsFileRegistry::readIniFilePath() {
  std::unique_ptr<ReadableFile> in;
  if (realFileSystem().openRead(file_, in))
    return std::nullopt;
  std::string text;
  char buffer[4096];
  for (;;) {
    std::size_t got = 0;
    if (in->read(buffer, sizeof buffer, got))
      return std::nullopt;
    if (got == 0)
      break;
    text.append(buffer, got);
    if (text.size() > (1u << 20))
      return std::nullopt; // no settings file of ours is that large
  }
  return parseSettingsIniFilePath(text);
}

std::optional<std::filesystem::path> userConfigurationFile(Registry& registry) {
  const auto value = registry.readIniFilePath();
  if (!value)
    return std::nullopt;
  const std::string directory = directoryPart(value->substr(0, PathCapacity - 1));
  if (directory.size() < 2)
    return std::nullopt;
  return pathFromBytes(directory) / ConfigFileName;
}

ToolConfiguration loadToolConfiguration(const std::optional<std::filesystem::path>& configFile,
                                        Registry& registry) {
  ToolConfiguration out;
  if (configFile)
    out.file = *configFile;
  else if (auto user = userConfigurationFile(registry))
    out.file = *user;
  if (!out.file.empty())
    out.result = readConfigurationFile(out.file, out.values.targets());
  checkMeasParams(&out.values.measParams);
  return out;
}

} // namespace zv
