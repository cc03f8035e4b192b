#pragma once
// The user directory and the configuration in it: loading ZARVIK.INI at start-up, saving it at
// shutdown, and Options > Set User Directory. Also where a program without windows (the
// command-line tool) finds the user's configuration.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/zv_registry.hpp"
#include "storage/zv_config_file.hpp"

namespace zv {

class Program;

// Where the program's configuration values live.
ConfigTargets configTargets(Program& program);

// Start-up: the user directory from the registry, then ZARVIK.INI from it. -1 when the
// registry names no usable directory (nothing is read); otherwise 0, after a read failure
// went to the log. Sets program.userDirectory and program.configPath.
int loadConfiguration(Program& program);
// Start-up right after loading: the measurement parameters into their limits.
void clampLoadedSettings(Program& program);
// Shutdown: writes every setting back into the file read at start. -1 when there is no
// configuration path; otherwise 0, after a failure went to the log. Never creates the file.
int saveConfiguration(Program& program);

// Options > Set User Directory. Asks for the directory, writes it to the registry, creates
// Backup and Graph when they are missing, offers to copy a ZARVIK.INI into place and reloads
// the configuration. 0 when the configuration was reloaded, 1 when the user cancelled, -1 when
// refused because a measurement runs.
int setUserDirectory(Program& program);

// The registry value as the Qt settings store keeps it on systems without a registry:
// "IniFilePath" in section [General] of the file, with the store's quoting and escapes.
std::optional<std::string> parseSettingsIniFilePath(std::string_view settingsText);
// ZEROVO/ZARVIK.conf in the user's settings folder (userSettingsFolder), on Windows
// ZEROVO/ZARVIK.ini.
std::filesystem::path defaultSettingsFile();
// A read-only registry over such a settings file, for programs without Qt.
class SettingsFileRegistry final : public Registry {
public:
  explicit SettingsFileRegistry(std::filesystem::path file = defaultSettingsFile())
      : file_(std::move(file)) {}
  std::optional<std::string> readIniFilePath() override;
  bool writeIniFilePath(const std::string&) override { return false; }

private:
  std::filesystem::path file_;
};

// The ZARVIK.INI that the registry value names (its directory part + "ZARVIK.INI"), or
// nullopt when there is no usable value.
std::optional<std::filesystem::path> userConfigurationFile(Registry& registry);

// What a program without windows (the command-line tool) takes from a configuration: the
// limits, the device file paths (the device files themselves are read by their own loader),
// the evaluation list and the rest, with built-in values where the file says nothing.
struct ToolConfiguration {
  std::filesystem::path file; // the file read; empty when no configuration was found
  int result = 0;             // 0, or what readConfigurationFile gave (IniCannotOpen, ...)
  ConfigValues values;
};
// Reads configFile when given (--config FILE), else the user's ZARVIK.INI that the registry
// names; with neither, the built-in values. The measurement parameters are clamped.
ToolConfiguration loadToolConfiguration(const std::optional<std::filesystem::path>& configFile,
                                        Registry& registry);

} // namespace zv
