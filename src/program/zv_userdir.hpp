#pragma once
// The user directory: where ZARVIK.INI, the log file and the Backup and Graph folders live.
#include <filesystem>
#include <string>

#include "platform/zv_registry.hpp"
#include "support/zv_message.hpp"

namespace zv {

constexpr std::size_t PathCapacity = 260;

// The directory used when the registry names none.
std::filesystem::path fallbackDirectory();

// Derives the directory from the registry value IniFilePath, which may name the directory
// itself (ending in a separator) or a file inside it. The result ends in a separator.
// 0 on success; -1 when the value cannot be read (reported log-only); -2 when too short.
int getUserDirectory(Registry& registry, Reporter& reporter, const char* errorText,
                     std::string& userDirectory);

// The directory part of a path: everything up to and including its last separator, or
// nothing when it has none.
std::string directoryPart(const std::string& path);

// Appends the native separator when the text does not end in one.
std::string withTrailingSeparator(std::string dir);

} // namespace zv
