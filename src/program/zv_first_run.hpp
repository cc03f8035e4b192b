#pragma once
// The first start on a machine: no user directory is registered yet. An installed program
// brings a set of first-run files (a configuration template and two device files for the
// simulated testers); from them it prepares a user directory with its Backup and Graph
// folders and registers it, so the first start already has a working configuration.
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/zv_fileio.hpp"
#include "platform/zv_registry.hpp"

namespace zv {

// Where a first start puts the user directory: ZARVIK_USER_DIR when set, else Zarvik in the
// user's own folder (userHomeFolder).
std::filesystem::path firstRunUserDirectory();

// Fills userDirectory from the files in templates: every *.ZRK is copied, ZARVIK.INI is
// written with "@USERDIR@" replaced by the directory (ending in a separator). Files that are
// already there are kept. Then registers the directory as IniFilePath. The error of the
// first step that failed; the registry is only written when everything else succeeded.
std::error_code prepareUserDirectory(FileSystem& fs, Registry& registry,
                                     const std::filesystem::path& templates,
                                     const std::filesystem::path& userDirectory);

} // namespace zv
