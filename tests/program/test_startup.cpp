// Start-up and its command line, the user directory, the log file, the refused exit, the
// acquisition box at start, and the help pages' message.
#include <fstream>

#include <gtest/gtest.h>

#include "common/zv_program_rig.hpp"
#ifdef ZV_SIMDAQ_PATH
#include "common/zv_sim_control.hpp"
#endif
#include "common/zv_test_system.hpp"
#include "platform/zv_latin1.hpp"
#include "program/zv_cmdline.hpp"
#include "program/zv_help_pages.hpp"
#include "program/zv_program.hpp"
#include "program/zv_userdir.hpp"

namespace zv {
namespace {

// The words found on a command line, as "offline program simulate" flags ("op-" and so on).
std::string scan(std::vector<std::string_view> words) {
  CommandLine c;
  EXPECT_EQ(0, scanCommandLine(words, c));
  return std::string(c.offline ? "o" : "-") + (c.programMode ? "p" : "-") +
         (c.simulate ? "s" : "-");
}

TEST(CommandLine, WordsMatchInAnyCaseInsideAnyWordButNeverInTheProgramsPath) {
  const std::pair<std::vector<std::string_view>, const char*> cases[] = {
      {{"zarvik", "OffLine"}, "o--"},
      {{"C:/Program Files/Offline/zarvik"}, "---"},
      {{"zarvik", "xProGramx"}, "-p-"},
      {{"zarvik", "offlin", "progra"}, "---"},
      {{"zarvik", "simulate"}, "--s"},
      {{"zarvik", "PROGRAM_OFFLINE"}, "o--"}, // the offline word is not tested for program
      {{"zarvik", "PROGRAM", "OFFLINE"}, "op-"},
  };
  for (const auto& [words, flags] : cases)
    EXPECT_EQ(scan(words), flags) << words.back();
}

struct ProgramFixture : ::testing::Test, test::ProgramRig {};

TEST_F(ProgramFixture, UserDirectoryFromDirectoryOrFilePathAndItsFailures) {
  const std::pair<std::optional<std::string>, int> cases[] = {
      {userDir(), 0},
      {(dir.path() / "ZARVIK.INI").string(), 0},
      {std::nullopt, -1},
      {"ZARVIK.INI", -2}};
  for (const auto& [entry, result] : cases) {
    registry = MemoryRegistry(entry);
    std::string d;
    EXPECT_EQ(result, getUserDirectory(registry, program->reporter,
                                       "Error when opening the Setup File", d));
    EXPECT_EQ(result == 0 ? userDir() : "", d);
  }
  EXPECT_EQ(std::vector<std::string>{"Error when opening the Setup File"}, log.lines);
  EXPECT_TRUE(ui.popups().empty());
}

// Without a registry entry nothing is read and the shutdown says it cannot save.
TEST_F(ProgramFixture, StartUpWithoutRegistryEntryKeepsDefaultsAndSaysSo) {
  EXPECT_EQ(0, start(std::nullopt, {"zarvik", "offline"}));
  EXPECT_EQ(std::tuple(true, "", false, 0u, 0, 1),
            std::tuple(program->registryEntryMissing, program->configPath,
                       program->data.model.hasDataSet(), program->data.model.isChanged(),
                       program->meas.params.daqEnabled, program->meas.params.daqErrorState));
  EXPECT_EQ(program->data.model.deviceLists().activePistons().piston(0)->range,
            program->data.model.defaults().defaultRange);
  program->logInit(&log);
  program->reportStartUpLines();
  const auto lines = program->startScreenLines();
  EXPECT_EQ((std::tuple{log.text.find("INI File Eintrag in Registry fehlt\n") != std::string::npos,
                        program->logFilePath, lines.size(), lines[2]}),
            (std::tuple{true, dir.path() / "fallback" / "zarviklog.txt", 3u, "Offline"}));
  program->shutdownProgram();
  EXPECT_EQ(std::tuple(ui.popups(), program->quitRequested()),
            std::tuple(std::vector<std::string>{"INI-File|Cannot save INI-File"}, 1));
}

TEST_F(ProgramFixture, FirstStartPreparesTheUserDirectoryFromTheInstalledFiles) {
  const std::filesystem::path home = dir.path() / "home";
  test::setEnv("ZARVIK_USER_DIR", home.string());
  for (int start = 0; start < 2; ++start) { // the second start keeps what is there
    registry = MemoryRegistry(start == 0 ? std::nullopt : registry.readIniFilePath());
    program = std::make_unique<Program>(ui, clock, registry, dir.path() / "fallback" / "");
    program->firstRunDirectory = ZV_FIRST_RUN_DIR;
    ASSERT_EQ(0, program->startUp({"zarvik", "offline"}));
    const TesterDevice& second = *program->meas.devices.device(1);
    EXPECT_EQ(
        (std::tuple{program->registryEntryMissing, registry.readIniFilePath(), second.directory,
                    second.fileName, std::filesystem::is_directory(home / "Backup")}),
        (std::tuple{false, (home / "").string(), (home / "").string(), "ZARVIK2.ZRK", true}));
    std::ofstream(home / "ZARVIK1.ZRK", std::ios::binary) << "kept";
  }
  EXPECT_EQ(test::TestDir::readFile(home / "ZARVIK1.ZRK"), "kept");
  test::unsetEnv("ZARVIK_USER_DIR");
}

// The log file lives in the user directory, here one with blanks: the editor gets its path as
// one argument, Delete asks first.
TEST_F(ProgramFixture, LogFileGoesToTheEditorAsOneArgumentAndIsDeletedAfterAsking) {
  const auto spaced = dir.path() / "my user dir";
  std::filesystem::create_directories(spaced);
  start((spaced / "").string(), {"zarvik", "program"});
  program->logInit(&log);
  EXPECT_EQ(program->logFilePath, spaced / "zarviklog.txt");
  program->editorProgram = "editor";
  program->reporter.reportError(-1, 0, "t", "m");
  EXPECT_EQ(0, program->openLogInEditor());
  EXPECT_EQ(ui.startedProcesses, (std::vector<std::pair<std::string, std::string>>{
                                     {"editor", (spaced / "zarviklog.txt").string()}}));

  ui.askAnswers = {1, 0, 0}; // No, Yes, Yes
  EXPECT_EQ(0, program->deleteLogFile());
  EXPECT_TRUE(std::filesystem::exists(program->logFilePath));
  EXPECT_EQ("ask|Delete Log-File|ZARVIK Logfile wirklich löschen ?|" + ui.shown.back().buttons[0] +
                "|" + ui.shown.back().buttons[1],
            latin1ToUtf8(ui.transcript().back()));
  EXPECT_EQ(0, program->deleteLogFile());
  EXPECT_FALSE(std::filesystem::exists(program->logFilePath));
}

TEST_F(ProgramFixture, ExitIsRefusedWhileMeasuring) {
  test::CountingBackup backup;
  program->data.setPeriodicBackup(backup);
  program->meas.processor.setMeasuring(true);
  EXPECT_FALSE(program->requestExit());
  EXPECT_EQ(0, backup.calls); // refused before anything is written
  program->meas.processor.setMeasuring(false);
  EXPECT_TRUE(program->requestExit());
  EXPECT_EQ(1, backup.calls);
}

// The acquisition box at start-up: none offline, the simulator when asked for and found, and
// the driver state when its library is missing.
TEST_F(ProgramFixture, AcquisitionAtStartUpFollowsTheCommandLine) {
  const struct {
    const char* word;
    bool simulatorThere;
    int result;
    const char* logged;
    int daqErrorState;
  } cases[] = {
      {"offline", true, 1, "", 1},
#ifdef ZV_SIMDAQ_DIR
      {"SIMULATE", true, 0, "Check DAQ Connection...OK\n", 0},
#endif
      {"simulate", false, 2, nullptr, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.word);
    log = {};
    registry = MemoryRegistry(userDir());
    program = std::make_unique<Program>(ui, clock, registry, dir.path() / "fallback" / "");
#ifdef ZV_SIMDAQ_DIR
    program->executableDirectory = c.simulatorThere ? ZV_SIMDAQ_DIR : dir.path();
#else
    program->executableDirectory = dir.path();
#endif
    program->startUp({"zarvik", c.word});
    program->logInit(&log);
    EXPECT_EQ(c.result, program->initAcquisition());
    if (c.logged) {
      EXPECT_EQ(c.logged, log.text);
    }
    EXPECT_EQ(c.daqErrorState, program->meas.params.daqErrorState);
#ifdef ZV_SIMDAQ_PATH
    if (c.result == 0) {
      // Held open here, the library stays the instance the program used.
      test::SimControl sim{ZV_SIMDAQ_PATH};
      EXPECT_EQ((std::tuple{program->meas.params.productType, program->startScreenLines()[2]}),
                (std::tuple{"USB-6210", "Online - Simulator"}));
      sim.clearWrites();
      program->shutdownProgram();
      // The shutdown deselects the testers and switches the remote output off.
      EXPECT_EQ(
          (std::tuple{program->quitRequested(), sim.writes()}),
          (std::tuple{1, std::vector<std::string>{"Dev1/port1/line2=1", "Dev1/port1/line1=1"}}));
    }
#endif
  }
}

} // namespace
} // namespace zv
