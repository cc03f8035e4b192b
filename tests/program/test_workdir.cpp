// The configuration at start-up and shutdown, and Options > Set User Directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "common/zv_fake_ui.hpp"
#include "common/zv_test_system.hpp"
#include "common/zv_testdir.hpp"
#include "platform/zv_fileio.hpp"
#include "program/zv_first_run.hpp"
#include "program/zv_program.hpp"
#include "program/zv_workdir.hpp"

namespace zv {
namespace {

struct Workdir : ::testing::Test {
  test::TestDir dir;
  test::ScriptedUi ui;
  test::FakeClock clock;
  MemoryRegistry registry;
  test::RecordingLog log;
  std::unique_ptr<Program> program;

  std::string userDir() const { return (dir.path() / "user" / "").string(); }
  std::filesystem::path configFile() const { return dir.path() / "user" / "ZARVIK.INI"; }

  // A program started with the registry pointing at the user directory (or nowhere).
  void start(std::optional<std::string> iniPath, std::vector<std::string_view> args = {"zarvik"}) {
    registry = MemoryRegistry(std::move(iniPath));
    program = std::make_unique<Program>(ui, clock, registry, dir.path() / "fallback" / "");
    program->reporter.setLogTarget(&log);
    program->startUp(args);
  }
  void writeConfig(const std::string& bytes) {
    std::filesystem::create_directories(dir.path() / "user");
    dir.write("user/ZARVIK.INI", bytes);
  }
  std::string config() const { return test::TestDir::readFile(configFile()); }
  // The error log holds a record with this code and message.
  bool recorded(int code, const std::string& message) const {
    const std::string records = test::TestDir::readFile(program->errorLog.path());
    return records.find("\t" + std::to_string(code) + "\t0\t\t" + message + "\r\n") !=
           std::string::npos;
  }
  bool logged(const std::string& text) const {
    for (const auto& l : log.lines)
      if (l.find(text) != std::string::npos)
        return true;
    return false;
  }
};

TEST_F(Workdir, StartUpLoadsTheConfigurationAndClampsTheParameters) {
  writeConfig("[Optionen]\r\nSprache = 0\r\n[Messung]\r\nMe\xDF"
              "kanal = 3\r\nPolling[s] = 9\r\n[ABRISS_LISTE]\r\nA = \"Q\"\r\n");
  start(userDir());
  EXPECT_EQ(std::tuple(program->registryEntryMissing, program->configPath, program->lang.language),
            std::tuple(false, userDir() + "ZARVIK.INI", 0));
  EXPECT_STREQ(program->texts[MessageText::SetupOpenError], "Fehler bei Laden der Setupdatei");
  const ConfigTargets t = configTargets(*program);
  EXPECT_EQ(std::tuple(t.measParams->hardChn, t.measParams->dPollTime, t.evaluations->entries()),
            std::tuple(1, 2.0, std::vector<std::string>{"Q"}));
  EXPECT_TRUE(log.lines.empty());
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(Workdir, AMissingFileIsLoggedAndNeverCreatedAtShutdown) {
  start(userDir());
  EXPECT_TRUE(recorded(-5001, "Error when opening the Setup File"));
  program->shutdownProgram();
  EXPECT_EQ(program->quitRequested(), 1);
  EXPECT_FALSE(std::filesystem::exists(configFile()));
  EXPECT_EQ(log.lines, (std::vector<std::string>{"Error when opening the Setup File",
                                                 "Error when closing the Setup File"}));
  EXPECT_TRUE(recorded(-2, "Error when closing the Setup File"));
  EXPECT_TRUE(ui.popups().empty());
}

TEST_F(Workdir, AMissingListIsLoggedWithMinus3AndTheBuiltInListStays) {
  writeConfig("[INFO]\r\nMaximale Probenzahl = 30\r\n");
  start(userDir());
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_TRUE(recorded(-3, "Error when opening the Setup File"));
  const ConfigTargets t = configTargets(*program);
  EXPECT_EQ(std::tuple(t.limits->maxSamples, t.evaluations->count()), std::tuple(30, 3));
}

TEST_F(Workdir, WithoutRegistryEntryNothingIsReadAndShutdownSaysSo) {
  start(std::nullopt);
  EXPECT_EQ(std::tuple(program->registryEntryMissing, program->configPath), std::tuple(true, ""));
  program->shutdownProgram();
  EXPECT_EQ(ui.popups(), std::vector<std::string>{"INI-File|Cannot save INI-File"});
  EXPECT_EQ(program->quitRequested(), 1);
}

TEST_F(Workdir, AFailedSaveAtShutdownKeepsTheOldFileAndIsLogged) {
  writeConfig("[INFO]\r\nMaximale Probenzahl = 30\r\n[ABRISS_LISTE]\r\nA = \"AU\"\r\n");
  start(userDir());
  FaultyFileSystem fs;
  fs.failOn(FaultyFileSystem::Op::Rename, std::errc::io_error);
  program->fileSystem = &fs;
  program->shutdownProgram();
  EXPECT_EQ(config(), "[INFO]\r\nMaximale Probenzahl = 30\r\n[ABRISS_LISTE]\r\nA = \"AU\"\r\n");
  EXPECT_EQ(log.lines.back(), "Error when closing the Setup File");
  EXPECT_TRUE(recorded(-4, "Error when closing the Setup File"));
  EXPECT_TRUE(ui.popups().empty());
}

// --- Set User Directory

struct SetUserDirectory : Workdir {
  std::filesystem::path target() const { return dir.path() / "new"; }
  void SetUp() override {
    writeConfig("[ABRISS_LISTE]\r\nA = \"AU\"\r\n");
    start(userDir(), {"zarvik", "PROGRAM"});
    std::filesystem::create_directories(target());
  }
};

TEST_F(SetUserDirectory, CancelChangesNothing) {
  ui.directoryAnswers.push_back(std::nullopt);
  EXPECT_EQ(setUserDirectory(*program), 1);
  ui.directoryAnswers.push_back(std::filesystem::path());
  EXPECT_EQ(setUserDirectory(*program), 1);
  EXPECT_EQ(registry.readIniFilePath(), userDir());
  ASSERT_EQ(ui.shown.size(), 2u);
  EXPECT_EQ(ui.shown[0].title,
            "Select User Directory for Storing Configuration and Temporary Files");
  EXPECT_TRUE(ui.popups().empty());
}

TEST_F(SetUserDirectory, AnEmptyDirectoryGetsBackupGraphAndACopiedConfiguration) {
  const auto saved = dir.write("saved.ini", "[Optionen]\r\nSprache = 0\r\n[ABRISS_LISTE]\r\n"
                                            "A = \"ZZ\"\r\n");
  ui.directoryAnswers.push_back(target());
  ui.fileAnswers.push_back(saved);
  EXPECT_EQ(setUserDirectory(*program), 0);

  const std::string newDir = (target() / "").string();
  EXPECT_EQ(registry.readIniFilePath(), newDir);
  EXPECT_TRUE(std::filesystem::is_directory(target() / "Backup"));
  EXPECT_TRUE(std::filesystem::is_directory(target() / "Graph"));
  EXPECT_EQ(test::TestDir::readFile(target() / "ZARVIK.INI"), test::TestDir::readFile(saved));
  EXPECT_EQ(ui.popups(),
            (std::vector<std::string>{
                "Select User Directory|Directory Backup is not found. Directory is new created",
                "Select User Directory|Directory Graph is not found. Directory is new created",
                "Select User Directory|ZARVIK.INI is not found. Pleas copy from backup source"}));
  ASSERT_EQ(ui.fileDialogs.size(), 1u);
  const FileDialogSpec& copy = ui.fileDialogs[0];
  EXPECT_EQ(std::tie(copy.title, copy.filter, copy.mode),
            std::tuple("Copy of ZARVIK.INI File", "*.ini;*.*", FileDialogSpec::Mode::Open));

  // Reloaded from the new place.
  EXPECT_EQ(std::tuple(program->configPath, program->userDirectory, program->lang.language),
            std::tuple(newDir + "ZARVIK.INI", newDir, 0));
  EXPECT_EQ(configTargets(*program).evaluations->entries(), std::vector<std::string>{"ZZ"});
  EXPECT_EQ(program->logFilePath, target() / "zarviklog.txt");
  // Only the copy: no temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(target()), {}), 3);
}

TEST_F(SetUserDirectory, ACompleteDirectoryOnlyReloads) {
  std::filesystem::create_directories(target() / "Backup");
  std::filesystem::create_directories(target() / "Graph");
  dir.write("new/ZARVIK.INI", "[INFO]\r\nMaximale Messungszahl = 55\r\n[ABRISS_LISTE]\r\nA=B\r\n");
  ui.directoryAnswers.push_back(target() / ""); // a trailing separator is kept as it is
  EXPECT_EQ(setUserDirectory(*program), 0);
  EXPECT_TRUE(ui.popups().empty());
  EXPECT_EQ(registry.readIniFilePath(), (target() / "").string());
  EXPECT_EQ(configTargets(*program).limits->maxMeasurements, 55);
}

TEST_F(SetUserDirectory, NoCopyMeansNoConfigurationAndNoFileAtShutdown) {
  ui.directoryAnswers.push_back(target());
  ui.fileAnswers.push_back(std::nullopt);
  log.lines.clear();
  EXPECT_EQ(setUserDirectory(*program), 0);
  EXPECT_FALSE(std::filesystem::exists(target() / "ZARVIK.INI"));
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_TRUE(recorded(-5001, "Error when opening the Setup File"));
  program->shutdownProgram();
  EXPECT_FALSE(std::filesystem::exists(target() / "ZARVIK.INI"));
}

TEST_F(SetUserDirectory, AFailedRegistryWriteIsShownAndTheOldDirectoryStays) {
  registry.failWrites = true;
  ui.directoryAnswers.push_back(target());
  EXPECT_EQ(setUserDirectory(*program), 0);
  ASSERT_FALSE(ui.popups().empty());
  EXPECT_EQ(ui.popups()[0], "Select User Directory|Error Writing to Registry");
  EXPECT_EQ(std::tuple(registry.readIniFilePath(), program->configPath),
            std::tuple(userDir(), userDir() + "ZARVIK.INI"));
  EXPECT_FALSE(std::filesystem::exists(target() / "Backup"));
}

TEST_F(SetUserDirectory, FailuresToCreateOrCopyAreShownAndLeaveNothingHalfDone) {
  const auto saved = dir.write("saved.ini", "[INFO]\r\n");
  FaultyFileSystem fs;
  fs.failOn(FaultyFileSystem::Op::CreateDirectories, std::errc::permission_denied, "Graph");
  fs.failOn(FaultyFileSystem::Op::Rename, std::errc::no_space_on_device);
  program->fileSystem = &fs;
  ui.directoryAnswers.push_back(target());
  ui.fileAnswers.push_back(saved);
  log.lines.clear();
  EXPECT_EQ(setUserDirectory(*program), 0);
  EXPECT_TRUE(std::filesystem::is_directory(target() / "Backup"));
  EXPECT_FALSE(std::filesystem::exists(target() / "Graph"));
  EXPECT_FALSE(std::filesystem::exists(target() / "ZARVIK.INI"));
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(target()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Backup", "zarviklog.txt"}))
      << "no temporary file left";
  const auto popups = ui.popups();
  ASSERT_EQ(popups.size(), 5u);
  EXPECT_EQ(popups[2].rfind("Select User Directory|Directory cannot be created: ", 0), 0u);
  EXPECT_EQ(popups[4].rfind("Select User Directory|ZARVIK.INI cannot be copied: ", 0), 0u);
  EXPECT_TRUE(logged("ZARVIK.INI cannot be copied"));
}

TEST_F(SetUserDirectory, RefusedWhileMeasuring) {
  program->meas.processor.setMeasuring(true);
  EXPECT_EQ(setUserDirectory(*program), -1);
  EXPECT_EQ(ui.popups(),
            std::vector<std::string>{"|Function couldn't be executed - Stop measuring first"});
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
  MemoryRegistry tooShort("/");
  EXPECT_EQ(userConfigurationFile(tooShort), std::nullopt);
}

// The user's folders come from the system's variables, on Windows from its own.
TEST(SettingsFile, UserFoldersFollowTheSystemsVariables) {
#if defined(_WIN32)
  const char *home = "USERPROFILE", *settings = "APPDATA", *file = "ZARVIK.ini";
  const std::filesystem::path settingsInHome = "AppData/Roaming";
#else
  const char *home = "HOME", *settings = "XDG_CONFIG_HOME", *file = "ZARVIK.conf";
  const std::filesystem::path settingsInHome = ".config";
#endif
  const std::optional<std::string> before[] = {test::getEnv(home), test::getEnv(settings)};
  test::setEnv(home, "/users/u");
  test::setEnv(settings, "/settings");
  EXPECT_EQ(defaultSettingsFile(), std::filesystem::path("/settings/ZEROVO") / file);
  EXPECT_EQ(firstRunUserDirectory(), std::filesystem::path("/users/u/Zarvik"));
  test::unsetEnv(settings);
  EXPECT_EQ(defaultSettingsFile(), "/users/u" / settingsInHome / "ZEROVO" / file);
  for (int i = 0; i < 2; ++i) {
    const char* name = i == 0 ? home : settings;
    if (before[i])
      test::setEnv(name, *before[i]);
    else
      test::unsetEnv(name);
  }
}

TEST(ToolConfiguration, FromTheGivenFileTheUsersFileOrBuiltIn) {
  test::TestDir dir;
  const auto file = dir.write("my.ini", "[INFO]\r\nMaximale Probenzahl = 50\r\n[Hardware]\r\n"
                                        "Ger\xE4tedatei-1 = \"/dev/A.ZRK\"\r\n"
                                        "[Messung]\r\nMe\xDF"
                                        "kanal = 9\r\n[ABRISS_LISTE]\r\nA = B\r\n");
  MemoryRegistry none;
  ToolConfiguration given = loadToolConfiguration(file, none);
  EXPECT_EQ(std::tie(given.file, given.result, given.values.limits.maxSamples,
                     given.values.devices[0].path, given.values.measParams.hardChn),
            std::tuple(file, 0, 50, "/dev/A.ZRK", 1)); // the channel clamped

  EXPECT_EQ(loadToolConfiguration(dir.file("missing.ini"), none).result, IniCannotOpen);

  ToolConfiguration builtIn = loadToolConfiguration(std::nullopt, none);
  EXPECT_EQ(std::tie(builtIn.file, builtIn.result, builtIn.values.limits.maxSamples),
            std::tuple("", 0, 20));

  std::filesystem::create_directories(dir.path() / "u");
  dir.write("u/ZARVIK.INI", "[INFO]\r\nMaximale Messungszahl = 30\r\n");
  MemoryRegistry user((dir.path() / "u" / "").string());
  ToolConfiguration users = loadToolConfiguration(std::nullopt, user);
  EXPECT_EQ(std::tie(users.file, users.result, users.values.limits.maxMeasurements),
            std::tuple(dir.path() / "u" / "ZARVIK.INI", ConfigNoEvaluationSection, 30));
}

} // namespace
} // namespace zv
