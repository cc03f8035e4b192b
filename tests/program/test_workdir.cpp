// The configuration at start-up and shutdown, and Options > Set User Directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "common/zv_program_rig.hpp"
#include "platform/zv_fileio.hpp"
#include "program/zv_first_run.hpp"
#include "program/zv_program.hpp"
#include "program/zv_workdir.hpp"

namespace zv {
namespace {

struct Workdir : ::testing::Test, test::ProgramRig {
  std::string userDir() const { return (dir.path() / "user" / "").string(); }
  std::filesystem::path configFile() const { return dir.path() / "user" / "ZARVIK.INI"; }

  void writeConfig(const std::string& bytes) {
    std::filesystem::create_directories(dir.path() / "user");
    dir.write("user/ZARVIK.INI", bytes);
  }
  std::string config() const { return test::TestDir::readFile(configFile()); }
};

TEST_F(Workdir, StartUpLoadsTheConfigurationAndClampsTheParameters) {
  writeConfig("[Optionen]\r\nSprache = 0\r\n[Messung]\r\nMe\xDF"
              "kanal = 3\r\nPolling[s] = 9\r\n[ABRISS_LISTE]\r\nA = \"Q\"\r\n");
  start(userDir());
  EXPECT_EQ(std::tuple(program->registryEntryMissing, program->configPath, program->lang.language),
            std::tuple(false, userDir() + "ZARVIK.INI", 0));
  const ConfigTargets t = configTargets(*program);
  EXPECT_EQ(std::tuple(t.measParams->hardChn, t.measParams->dPollTime, t.evaluations->entries()),
            std::tuple(1, 2.0, std::vector<std::string>{"Q"}));
  EXPECT_TRUE(log.lines.empty());
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Workdir, AMissingFileIsLoggedAndNeverCreatedAtShutdown) {
  start(userDir());
  program->shutdownProgram();
  EXPECT_FALSE(std::filesystem::exists(configFile()));
  EXPECT_EQ(log.lines, (std::vector<std::string>{"Error when opening the Setup File",
                                                 "Error when closing the Setup File"}));
  EXPECT_TRUE(ui.popups().empty());
}

TEST_F(Workdir, AFailedSaveAtShutdownKeepsTheOldFileAndIsLogged) {
  writeConfig("[INFO]\r\nMaximale Probenzahl = 30\r\n[ABRISS_LISTE]\r\nA = \"AU\"\r\n");
  start(userDir());
  disk.failOn(FaultyFileSystem::Op::Rename, std::errc::io_error);
  program->fileSystem = &disk;
  program->shutdownProgram();
  EXPECT_EQ(config(), "[INFO]\r\nMaximale Probenzahl = 30\r\n[ABRISS_LISTE]\r\nA = \"AU\"\r\n");
  EXPECT_EQ(log.lines.back(), "Error when closing the Setup File");
  EXPECT_TRUE(ui.popups().empty());
}

// --- Set User Directory

struct SetUserDirectory : Workdir {
  std::filesystem::path target() const { return dir.path() / "new"; }
  std::string targetDir() const { return (target() / "").string(); }
  void SetUp() override {
    writeConfig("[ABRISS_LISTE]\r\nA = \"AU\"\r\n");
    start(userDir(), {"zarvik", "PROGRAM"});
    std::filesystem::create_directories(target());
    log = {};
  }
  // The flow's whole outcome: its result, the registry's entry, what is in the new directory,
  // the popups (a system error's text cut off) and the log lines (the same).
  using Outcome =
      std::tuple<int, std::string, std::string, std::vector<std::string>, std::vector<std::string>>;
  Outcome run() {
    const int result = setUserDirectory(*program);
    const auto cut = [](std::vector<std::string> lines) {
      for (auto& l : lines)
        l = l.substr(0, l.find(": ") == std::string::npos ? l.size() : l.find(": ") + 1);
      return lines;
    };
    return {result, registry.readIniFilePath().value_or("-"), test::TestDir::listing(target()),
            cut(ui.popups()), cut(log.lines)};
  }
  const std::string title = "Select User Directory|";
  const std::vector<std::string> foldersAndCopy{
      title + "Directory Backup is not found. Directory is new created",
      title + "Directory Graph is not found. Directory is new created",
      title + "ZARVIK.INI is not found. Pleas copy from backup source"};
};

TEST_F(SetUserDirectory, AnEmptyDirectoryGetsBackupGraphAndACopiedConfiguration) {
  const auto saved = dir.write("saved.ini", "[Optionen]\r\nSprache = 0\r\n[ABRISS_LISTE]\r\n"
                                            "A = \"ZZ\"\r\n");
  ui.directoryAnswers = {target()};
  ui.fileAnswers = {saved};
  // Only the copy: no temporary file is left behind.
  EXPECT_EQ(run(), (Outcome{0, targetDir(), "Backup/ Graph/ ZARVIK.INI", foldersAndCopy, {}}));
  EXPECT_EQ(test::TestDir::readFile(target() / "ZARVIK.INI"), test::TestDir::readFile(saved));
  const FileDialogSpec& copy = ui.fileDialogs.at(0);
  EXPECT_EQ(std::tie(copy.title, copy.filter, copy.mode),
            std::tuple("Copy of ZARVIK.INI File", "*.ini;*.*", FileDialogSpec::Mode::Open));
  // Reloaded from the new place.
  EXPECT_EQ((std::tuple{program->configPath, program->userDirectory, program->lang.language,
                        configTargets(*program).evaluations->entries(), program->logFilePath}),
            (std::tuple{targetDir() + "ZARVIK.INI", targetDir(), 0, std::vector<std::string>{"ZZ"},
                        target() / "zarviklog.txt"}));
}

TEST_F(SetUserDirectory, FailuresToCreateOrCopyAreShownAndLeaveNothingHalfDone) {
  disk.failOn(FaultyFileSystem::Op::CreateDirectories, std::errc::permission_denied, "Graph");
  disk.failOn(FaultyFileSystem::Op::Rename, std::errc::no_space_on_device);
  program->fileSystem = &disk;
  ui.directoryAnswers = {target()};
  ui.fileAnswers = {dir.write("saved.ini", "[INFO]\r\n")};
  // No temporary file left.
  EXPECT_EQ(run(), (Outcome{0,
                            targetDir(),
                            "Backup/ zarviklog.txt",
                            {foldersAndCopy[0], foldersAndCopy[1],
                             title + "Directory cannot be created:", foldersAndCopy[2],
                             title + "ZARVIK.INI cannot be copied:"},
                            {"Directory cannot be created:", "ZARVIK.INI cannot be copied:",
                             "Error when opening the Setup File"}}));
}

// --- Finding the user's configuration without Qt

TEST(SettingsFile, IniFilePathAsTheSettingsStoreWritesIt) {
  EXPECT_EQ(parseSettingsIniFilePath("[General]\nIniFilePath=/home/u/Zarvik/\n"),
            "/home/u/Zarvik/");
  EXPECT_EQ(parseSettingsIniFilePath("IniFilePath = /top/level/\n"), "/top/level/");
  EXPECT_EQ(parseSettingsIniFilePath("[General]\r\nIniFilePath=\"/a;b, c/\"\r\n"), "/a;b, c/");
  EXPECT_EQ(parseSettingsIniFilePath("[General]\nIniFilePath=/M\\xfcnchen/x\\\\y/ ; note\n"),
            "/M\xC3\xBCnchen/x\\y/");
  EXPECT_EQ(parseSettingsIniFilePath("[Other]\nIniFilePath=/no/\n"), std::nullopt);
  EXPECT_EQ(parseSettingsIniFilePath("[General]\nIniFilePathX=/no/\n"), std::nullopt);
  EXPECT_EQ(parseSettingsIniFilePath(""), std::nullopt);
  EXPECT_EQ(parseSettingsIniFilePath("IniFilePath=/u/Zarvik\\\n"),
            "/u/Zarvik\\"); // a lone backslash at the end stays
}

TEST(SettingsFile, RegistryOverTheFileAndTheConfigurationItNames) {
  test::TestDir dir;
  SettingsFileRegistry missing(dir.file("none.conf"));
  EXPECT_EQ(missing.readIniFilePath(), std::nullopt);
  EXPECT_EQ(userConfigurationFile(missing), std::nullopt);
  EXPECT_FALSE(missing.writeIniFilePath("/x/"));

  SettingsFileRegistry reg(dir.write("ZARVIK.conf", "[General]\nIniFilePath=/u/Zarvik/\n"));
  EXPECT_EQ(userConfigurationFile(reg), std::filesystem::path("/u/Zarvik/ZARVIK.INI"));
  MemoryRegistry file("/u/Zarvik/ZARVIK.INI");
  EXPECT_EQ(userConfigurationFile(file), std::filesystem::path("/u/Zarvik/ZARVIK.INI"));
}

} // namespace
} // namespace zv
