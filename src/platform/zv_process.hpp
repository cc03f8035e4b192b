#pragma once
// Facts about the running process that standard C++ does not give.
#include <filesystem>
#include <string>
#include <vector>

namespace zv {

// The executable file of this process; empty when the system does not say.
std::filesystem::path runningExecutable();

// The arguments the process was started with, in UTF-8 (see zv_path_bytes.hpp). On Windows
// they come from the wide command line, since argv holds them in the ANSI code page.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// The user's own folder: HOME, on Windows USERPROFILE; empty when the variable is unset.
std::filesystem::path userHomeFolder();

// Where programs keep the user's settings: XDG_CONFIG_HOME or ~/.config, on Windows APPDATA
// (or the roaming application data in the user's folder).
std::filesystem::path userSettingsFolder();

} // namespace zv
