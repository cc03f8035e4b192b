#pragma once
// What every part of the running program reaches: the ports, the language with its texts, the
// log and the reporter, the file system every file goes through, the command line, and the
// configuration with the paths the start-up found.
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/zv_clock.hpp"
#include "platform/zv_fileio.hpp"
#include "platform/zv_fileio_route.hpp"
#include "platform/zv_refresh.hpp"
#include "platform/zv_registry.hpp"
#include "platform/zv_ui.hpp"
#include "program/zv_cmdline.hpp"
#include "storage/zv_config_file.hpp"
#include "support/zv_errorlog.hpp"
#include "support/zv_message.hpp"
#include "support/zv_texts.hpp"

namespace zv {

struct ProgramEnvironment {
  // fallbackDirectory: where the log, graph and backup files go without a user directory.
  ProgramEnvironment(Ui& ui, Clock& clock, Registry& registry,
                     const std::filesystem::path& fallbackDirectory);
  ProgramEnvironment(const ProgramEnvironment&) = delete;
  ProgramEnvironment& operator=(const ProgramEnvironment&) = delete;

  Ui& ui;
  Clock& clock;
  Registry& registry;

  Language lang;
  ProgramTexts texts;
  ErrorLog errorLog;
  Reporter reporter;

  // The file system every file of the program goes through: configuration, device files, data
  // files, graph files and the backup journal. Tests point it at a fault-injecting one; fileRoute
  // follows the pointer at each call, so the stores that keep a reference see every switch.
  FileSystem* fileSystem = &realFileSystem();
  RoutedFileSystem fileRoute{fileSystem};

  CommandLine commandLine;
  int programMode = 0; // 1: setup mode (PROGRAM on the command line)

  std::filesystem::path executableDirectory; // where the simulator library lies beside us
  std::filesystem::path fallbackDirectoryPath;
  std::string userDirectory;
  std::filesystem::path logFilePath;
  std::filesystem::path helpDirectory; // the help pages, one folder per language
  // The installed first-run files; with them a start without a registered user directory
  // prepares one (program/zv_first_run.hpp). Empty: none.
  std::filesystem::path firstRunDirectory;
  std::string editorProgram;         // opens the log file
  bool registryEntryMissing = false; // no user directory registered, or its configuration unread

  // The configuration ZARVIK.INI (see program/zv_workdir.hpp): its path once the user
  // directory is known, and the settings that only it keeps.
  std::string configPath;
  ConfigSettings config;

  // The windows, once they exist.
  RefreshSink* refreshSink = nullptr;
  void requestRefresh(WindowId window, std::uint32_t bits) {
    if (refreshSink)
      refreshSink->requestRefresh(window, bits);
  }
};

// The editor that opens the log file: ZARVIK_EDITOR when set, else the platform's own.
std::string defaultEditorProgram();

} // namespace zv
