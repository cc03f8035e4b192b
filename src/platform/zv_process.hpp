#pragma once
// Facts about the running process that standard C++ does not give.
#include <filesystem>

namespace zv {

// The executable file of this process; empty when the system does not say.
std::filesystem::path runningExecutable();

// The user's own folder: HOME, on Windows USERPROFILE; empty when the variable is unset.
std::filesystem::path userHomeFolder();

// Where programs keep the user's settings: XDG_CONFIG_HOME or ~/.config, on Windows APPDATA
// (or the roaming application data in the user's folder).
std::filesystem::path userSettingsFolder();

} // namespace zv
