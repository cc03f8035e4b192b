// File and Edit commands as whole flows through the scripted Ui: New, Open, Close, Save, Save
// As, the recent file, Exit's save prompt, and add/delete/copy with their dialogs.
#include <gtest/gtest.h>

#include <functional>

#include "common/zv_data_windows.hpp"
#include "common/zv_datafile_testkit.hpp"
#include "program/zv_file_commands.hpp"
#include "program/zv_program.hpp"

namespace zv {
namespace {

using Calls = std::vector<std::string>;

using test::RecordingWindows;
using test::ScriptedDialogs;

NewDataSetInput input(int samples = 1, int storages = 1) {
  return {.identNumber = "Nr 1",
          .identName = "Test",
          .sampleCount = samples,
          .samplePrefix = "S",
          .storageCount = storages,
          .storagePrefix = "T",
          .channel = 1,
          .range = 20.0,
          .area = 3.0,
          .speed = 200.0};
}

// Size of a binary data file of s samples of t storages with one measurement each.
std::size_t binSize(int s, int t) {
  return 260u + s * (34 + t * 180);
}

struct ProgramRig {
  test::TestDir dir;
  test::ScriptedUi ui;
  test::FakeClock clock;
  MemoryRegistry registry{(dir.path() / "").string()};
  Program program{ui, clock, registry, dir.path() / "fallback" / ""};
  test::RecordingHooks hooks;
  test::RecordingRefresh refresh;
  test::RecordingLog log;
  RecordingWindows windows;
  ScriptedDialogs dialogs;
  FileCommands commands{program, windows, dialogs};

  ProgramRig() {
    program.startUp({"zarvik"});
    program.data.files.setHooks(&hooks);
    program.refreshSink = &refresh;
    program.reporter.setLogTarget(&log);
  }
  DataSetModel& model() { return program.data.model; }
  DataSet& ds() { return *model().dataSet(); }
  std::string fileName() { return program.data.files.state().dataFileName; }
  // A saved data set of s x t that is open as after File > Open.
  std::filesystem::path openDataSet(const std::string& name, int s = 3, int t = 3) {
    test::buildDataSet(model(), s, t, {1});
    program.data.files.setDataFile(dir.file(name));
    EXPECT_EQ(program.data.files.saveDataSet(), 0);
    program.data.files.markLoaded();
    ui.shown.clear();
    hooks.calls.clear();
    return dir.file(name);
  }
  bool refreshedEverything() const {
    int n = 0;
    for (const auto& [w, bits] : refresh.requests)
      n += bits == refresh::Everything && w != WindowId::Log;
    return n == 3;
  }
};

TEST(FileNew, BuildsNamesTheDataSetAndSavesItAtOnce) {
  ProgramRig rig;
  rig.dialogs.newAnswer = input(2, 4);
  rig.ui.fileAnswers = {rig.dir.file("New.BIN")};
  // Tester 2 (channel 1) has a piston and an area that tester 1 lacks.
  TesterDevice& second = *rig.program.meas.devices.device(1);
  second.pistons.insert(50.0);
  second.areas.insert(12.5);
  rig.dialogs.newAnswer->range = 50.0;
  rig.dialogs.newAnswer->area = 12.5;
  ASSERT_EQ(rig.commands.fileNew(), 0);
  EXPECT_EQ(rig.dialogs.newInitial->identName, "New"); // starts from the defaults
  EXPECT_EQ(rig.program.meas.devices.shownDevice(), 1);
  const DataSet& d = rig.ds();
  ASSERT_EQ(d.samples.size(), 2u);
  ASSERT_EQ(d.samples[0].storages.size(), 4u);
  const StorageCondition& last = d.samples[1].storages[3];
  ASSERT_EQ(last.measurements.size(), 1u);
  EXPECT_EQ(std::tie(d.samples[1].name, last.name, d.identNumber), std::tuple("S2", "T4", "Nr 1"));
  EXPECT_EQ(std::tuple(d.samples[0].storages[0].range, last.measurements[0].area),
            std::tuple(50.0, 12.5));
  EXPECT_TRUE(rig.program.data.isLoaded());
  EXPECT_EQ(rig.model().isChanged(), 0u);
  EXPECT_EQ(test::TestDir::readFile(rig.dir.file("New.BIN")).size(), binSize(2, 4));
  EXPECT_EQ(rig.windows.calls, Calls{"show"});
  EXPECT_EQ(rig.model().defaults().samplePrefix, "S"); // remembered for next time
  EXPECT_FALSE(rig.ui.waitCursor);
}

// Every way of stopping New, Open or Close, and each of them while measuring, keeps the open
// data set, its file and its windows.
TEST(FileCommandsStopped, KeepTheOpenDataSet) {
  using Run = std::function<int(ProgramRig&)>;
  const Run fileNew = [](ProgramRig& r) { return r.commands.fileNew(); };
  const Run fileOpen = [](ProgramRig& r) { return r.commands.fileOpen(); };
  const Run fileClose = [](ProgramRig& r) { return r.commands.fileClose(); };
  const auto changed = [](ProgramRig& r) { r.model().markTotalsChanged(); };
  const auto measuring = [](ProgramRig& r) { r.program.meas.processor.setMeasuring(true); };
  const struct {
    const char* what;
    std::function<void(ProgramRig&)> arrange;
    std::deque<int> asked;
    const char* chosen; // the file dialog's answer, if one is expected
    Run run;
    int result;
    std::size_t popups;
  } cases[] = {
      {"New, dialog aborted", {}, {}, nullptr, fileNew, UserStopped, 0},
      {"New, file question cancelled",
       [](auto& r) { r.dialogs.newAnswer = input(); },
       {},
       "",
       fileNew,
       UserStopped,
       0},
      {"New, Abort in the save question",
       [&](auto& r) { changed(r), r.dialogs.newAnswer = input(); },
       {0},
       "Fresh.BIN",
       fileNew,
       UserStopped,
       0},
      {"Open, staying with the current one", changed, {0}, "Other.BIN", fileOpen, UserStopped, 0},
      {"Close, Abort", changed, {0}, nullptr, fileClose, ClearAborted, 0},
      {"New while measuring", measuring, {}, nullptr, fileNew, 1, 1},
      {"Open while measuring", measuring, {}, nullptr, fileOpen, 1, 1},
      {"Close while measuring", measuring, {}, nullptr, fileClose, 1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ProgramRig rig;
    rig.openDataSet("Old.BIN");
    if (c.arrange)
      c.arrange(rig);
    rig.ui.askAnswers = c.asked;
    const std::string chosen = c.chosen ? c.chosen : "";
    if (chosen == "Other.BIN")
      rig.ui.fileAnswers = {rig.dir.write(chosen, "x")};
    else if (c.chosen)
      rig.ui.fileAnswers = {chosen.empty() ? std::nullopt : std::optional(rig.dir.file(chosen))};
    EXPECT_EQ(c.run(rig), c.result);
    EXPECT_EQ(std::tuple(rig.model().sampleCount(), rig.fileName()), std::tuple(3, "Old.BIN"));
    EXPECT_TRUE(rig.windows.calls.empty());
    EXPECT_FALSE(std::filesystem::exists(rig.dir.file("Fresh.BIN")));
    if (chosen == "Other.BIN") { // the choice is dropped
      EXPECT_FALSE(rig.program.data.files.chosenFile());
    }
    EXPECT_EQ(rig.ui.popups().size(), c.popups);
    EXPECT_EQ(rig.ui.fileDialogs.size(), c.chosen ? 1u : 0u);
    if (c.popups) { // refused before the dialog
      EXPECT_FALSE(rig.dialogs.newInitial);
    }
  }
}

TEST(FileNew, SavingTheOldDataSetGoesToItsOwnFile) {
  ProgramRig rig;
  const auto old = rig.openDataSet("Old.DAT");
  rig.ds().samples[0].name = "changed";
  rig.model().markChanged(rig.ds().samples[0]);
  rig.dialogs.newAnswer = input();
  rig.ui.fileAnswers = {rig.dir.file("Fresh.BIN")};
  rig.ui.askAnswers = {1}; // save the old one
  ASSERT_EQ(rig.commands.fileNew(), 0);
  EXPECT_EQ(rig.ui.shown[1].title, "Create Data Set newly");
  // The old file holds the change, the new file the new data set.
  EXPECT_NE(test::TestDir::readFile(old).find("\"changed\""), std::string::npos);
  EXPECT_EQ(test::TestDir::readFile(rig.dir.file("Fresh.BIN")).size(), binSize(1, 1));
}

TEST(FileNew, AFailedSaveClosesTheHalfBuiltDataSet) {
  ProgramRig rig;
  rig.dialogs.newAnswer = input();
  rig.ui.fileAnswers = {rig.dir.file("nodir") / "Fresh.BIN"};
  EXPECT_EQ(rig.commands.fileNew(), DfSaveWrite);
  EXPECT_FALSE(rig.model().hasDataSet());
  EXPECT_FALSE(rig.program.data.isLoaded());
  EXPECT_EQ(rig.windows.calls, Calls{"close"});
}

TEST(FileOpen, OpensTheChosenOrRecentFileAndShowsTheWindows) {
  ProgramRig rig;
  const auto p = rig.openDataSet("A.BIN", 2, 5);
  rig.program.data.files.closeDataSet(std::nullopt);
  rig.ui.fileAnswers = {p};
  ASSERT_EQ(rig.commands.fileOpen(), 0);
  EXPECT_EQ(rig.model().storageCount(), 5);
  EXPECT_TRUE(rig.program.data.isLoaded());
  EXPECT_EQ(rig.program.data.filePath(), p.string());
  EXPECT_EQ(rig.windows.calls, Calls{"show"});
  EXPECT_EQ(rig.hooks.calls.back(), "graphLoad " + p.string());

  const auto recent = rig.openDataSet("Recent.DAT", 2, 2);
  rig.program.data.files.closeDataSet(std::nullopt);
  ASSERT_EQ(rig.commands.fileOpenRecent(recent.string()), 0);
  EXPECT_EQ(rig.ui.fileDialogs.size(), 1u); // no dialog for the recent file
  EXPECT_EQ(std::tuple(rig.model().sampleCount(), rig.fileName()), std::tuple(2, "Recent.DAT"));
}

TEST(FileOpen, SavingTheOpenDataSetNeverOverwritesTheFileToOpen) {
  ProgramRig other;
  const auto wanted = other.openDataSet("Wanted.BIN", 4, 4);
  const std::string wantedBytes = test::TestDir::readFile(wanted);

  ProgramRig rig;
  const auto current = rig.openDataSet("Current.BIN", 1, 1);
  rig.model().markTotalsChanged();
  rig.ui.fileAnswers = {wanted};
  rig.ui.askAnswers = {1}; // save the current data set first
  ASSERT_EQ(rig.commands.fileOpen(), 0);
  EXPECT_EQ(test::TestDir::readFile(wanted), wantedBytes);
  EXPECT_EQ(rig.model().sampleCount(), 4);
  EXPECT_EQ(test::TestDir::readFile(current).size(), binSize(1, 1));
  EXPECT_EQ(rig.ui.shown[1].title, "Load Sata Set");
}

TEST(FileOpen, AFailedLoadClosesTheDataSetAndTheWindows) {
  ProgramRig rig;
  rig.ui.fileAnswers = {rig.dir.write("Bad.BIN", "\x03garbage")};
  EXPECT_EQ(rig.commands.fileOpen(), DfLoadRead);
  EXPECT_FALSE(rig.model().hasDataSet());
  EXPECT_FALSE(rig.program.data.isLoaded());
  EXPECT_EQ(rig.windows.calls, Calls{"close"});
  EXPECT_EQ(rig.ui.popups().size(), 1u);
}

TEST(FileClose, AsksWhenChangedAndClosesTheWindows) {
  ProgramRig rig;
  rig.openDataSet("C.BIN");
  rig.model().markTotalsChanged();
  rig.ui.askAnswers = {2};
  EXPECT_EQ(rig.commands.fileClose(), 0);
  EXPECT_EQ(rig.ui.shown.back().title, "Close Data Set");
  EXPECT_FALSE(rig.model().hasDataSet());
  EXPECT_EQ(rig.windows.calls, Calls{"close"});
}

TEST(FileSave, SaveAndSaveAs) {
  ProgramRig rig;
  rig.openDataSet("S.BIN");
  rig.model().markTotalsChanged();
  ASSERT_EQ(rig.commands.fileSave(), 0);
  EXPECT_EQ(rig.model().isChanged(), 0u);
  EXPECT_EQ(rig.windows.calls, Calls{"titles"});

  rig.program.data.files.state().dataWrtTypeSelect = 1;
  rig.ui.fileAnswers = {rig.dir.file("S.DAT"), std::nullopt};
  ASSERT_EQ(rig.commands.fileSaveAs(), 0);
  EXPECT_EQ(rig.ui.fileDialogs.back().defaultName, "S.DAT");
  EXPECT_EQ(rig.program.data.filePath(), rig.dir.file("S.DAT").string());
  EXPECT_EQ(test::TestDir::readFile(rig.dir.file("S.DAT")).substr(0, 9), "[AUFTRAG]");
  EXPECT_EQ(rig.commands.fileSaveAs(), UserStopped);
  EXPECT_EQ(rig.program.data.filePath(), rig.dir.file("S.DAT").string());
}

TEST(Exit, AbortGoesOnSaveEndsAndAFailedSaveKeepsTheProgramRunning) {
  ProgramRig unchanged;
  unchanged.openDataSet("U.BIN");
  EXPECT_TRUE(unchanged.program.confirmExit()); // no question
  EXPECT_EQ(unchanged.hooks.calls, (Calls{"graphFileCloseAll", "closeBackup"}));

  ProgramRig rig;
  const auto p = rig.openDataSet("E.BIN");
  rig.ds().title = "changed";
  rig.model().markTotalsChanged();
  rig.ui.askAnswers = {0, 1, 1}; // Abort: the program goes on
  EXPECT_FALSE(rig.program.confirmExit());
  EXPECT_EQ(rig.ui.shown.back().title, "File - Exit Program");
  EXPECT_EQ(rig.ui.shown.back().buttons, (Calls{"Abort", "Save\nDataset", "Reject\nChanges"}));
  std::string& directory = rig.program.data.files.state().fileDirectory;
  const std::string kept = directory;
  directory = (rig.dir.file("gone") / "deeper").string();
  EXPECT_FALSE(rig.program.confirmExit()); // Save fails
  EXPECT_TRUE(rig.model().hasDataSet());
  EXPECT_EQ(rig.program.quitRequested(), 0);
  directory = kept;
  EXPECT_TRUE(rig.program.confirmExit()); // Save
  EXPECT_EQ(rig.program.quitRequested(), 1);
  EXPECT_NE(test::TestDir::readFile(p).find("changed"), std::string::npos);
}

TEST(Configuration, DataFileSettingsReachTheFileHandling) {
  ProgramRig rig;
  rig.dir.write("ZARVIK.INI", "[Verzeichnisse]\r\nDaten = \"" + rig.dir.path().string() +
                                  "\"\r\n[Optionen]\r\nDatentyp Speichern = 1\r\n"
                                  "Graphik Speichern = 0\r\n");
  rig.program.startUp({"zarvik"});
  const DataFileState& state = rig.program.data.files.state();
  EXPECT_EQ(std::tie(state.dataDirectory, state.dataWrtTypeSelect, state.saveGraph),
            std::tuple(rig.dir.path().string(), 1, 0));
  rig.ui.fileAnswers = {std::nullopt};
  rig.program.data.files.selectSaveFile();
  EXPECT_EQ(rig.ui.fileDialogs.back().startDirectory, rig.dir.path());
  EXPECT_EQ(rig.ui.fileDialogs.back().defaultName, "New.DAT");
}

TEST(EditAdd, AppendsAndRefreshesAndLimitsOnlyLog) {
  ProgramRig rig;
  rig.openDataSet("A.BIN", 2, 2);
  ASSERT_EQ(rig.commands.editAdd(AddKind::Sample), 0);
  EXPECT_EQ(std::tuple(rig.model().sampleCount(), rig.ds().sampleCount), std::tuple(3, 3));
  EXPECT_TRUE(rig.refreshedEverything());
  ASSERT_EQ(rig.commands.editAdd(AddKind::Storage), 0);
  EXPECT_EQ(rig.model().storageCount(), 3);
  rig.ds().currentStorage = 1;
  ASSERT_EQ(rig.commands.editAdd(AddKind::Measurement), 0);
  EXPECT_EQ(rig.model().measurementCount(0, 1), 2);
  EXPECT_NE(rig.model().isChanged(), 0u);

  ProgramRig full;
  full.openDataSet("A.BIN", 20, 1);
  EXPECT_EQ(full.commands.editAdd(AddKind::Sample), ModelLimitReached);
  EXPECT_NE(full.log.text.find("Maximum Sample number already available"), std::string::npos);
  EXPECT_TRUE(full.refresh.requests.empty());
  ProgramRig none;
  EXPECT_EQ(none.commands.editAdd(AddKind::Measurement), 1);
}

TEST(EditDelete, TheLastRecordIsRefusedWithAPopupAndNoDialog) {
  ProgramRig rig;
  rig.openDataSet("D.BIN", 1, 1);
  for (DeleteMode mode : {DeleteMode::Sample, DeleteMode::Storage, DeleteMode::Measurement})
    EXPECT_EQ(rig.commands.editDelete(mode), 1);
  EXPECT_TRUE(rig.dialogs.deleteAsked.empty());
  EXPECT_EQ(rig.ui.popups(), Calls(3, "Input Error|The list must at least contain one element"));
}

TEST(EditDelete, DeletesTheCurrentRecordAfterConfirmation) {
  ProgramRig rig;
  rig.openDataSet("D.BIN", 3, 3);
  DataSet& d = rig.ds();
  d.currentSample = 2;
  rig.dialogs.deleteAnswer = false;
  EXPECT_EQ(rig.commands.editDelete(DeleteMode::Sample), UserStopped);
  EXPECT_EQ(rig.model().sampleCount(), 3);

  rig.dialogs.deleteAnswer = true;
  ASSERT_EQ(rig.commands.editDelete(DeleteMode::Sample), 0);
  EXPECT_EQ(rig.model().sampleCount(), 2);
  EXPECT_EQ(d.currentSample, 1); // moved to the new last sample
  EXPECT_TRUE(rig.refreshedEverything());
  EXPECT_NE(rig.model().isChanged(), 0u);

  d.currentStorage = 0;
  ASSERT_EQ(rig.commands.editDelete(DeleteMode::Storage), 0);
  EXPECT_EQ(rig.model().storageCount(), 2);
  EXPECT_EQ(d.samples[1].storages[0].storageIndex, 0); // renumbered
  EXPECT_EQ(rig.dialogs.deleteAsked,
            (std::vector<DeleteMode>{DeleteMode::Sample, DeleteMode::Sample, DeleteMode::Storage}));

  rig.model().addMeasurements(1, 0, 3);
  d.currentStorage = 0;
  d.currentMeasurement = 1;
  auto& ms = d.samples[1].storages[0].measurements;
  ms[2].force = 9.0;
  ASSERT_EQ(rig.commands.editDelete(DeleteMode::Measurement), 0);
  ASSERT_EQ(ms.size(), 2u);
  EXPECT_EQ(std::tuple(ms[1].force, ms[1].measurementIndex), std::tuple(9.0, 1));
}

TEST(EditCopy, CopiesToTheChosenStorages) {
  ProgramRig rig;
  rig.openDataSet("K.BIN", 5, 3);
  DataSet& d = rig.ds();
  // Which storages hold the source's parameters after copying to `target`, as rows of samples.
  const auto copyTo = [&](std::optional<CopyTarget> target) {
    for (auto& s : d.samples)
      for (auto& t : s.storages)
        std::tie(t.range, t.area, t.speed) = std::tuple(10.0, 1.0, 100.0);
    StorageCondition& src = d.samples[1].storages[1];
    std::tie(src.range, src.area, src.speed) = std::tuple(30.0, 3.0, 300.0);
    d.currentSample = d.currentStorage = 1;
    rig.dialogs.copyAnswer = target;
    EXPECT_EQ(rig.commands.editCopyParameters(), target ? 0 : UserStopped);
    std::string rows;
    for (auto& s : d.samples) {
      for (auto& t : s.storages)
        rows += t.range == 30.0 && t.area == 3.0 && t.speed == 300.0 ? 'x' : '.';
      rows += ' ';
    }
    return rows;
  };
  EXPECT_EQ(copyTo(CopyTarget::FollowingSamples), "... .x. .x. .x. .x. ");
  EXPECT_EQ(std::tuple(rig.model().defaults().defaultRange, rig.model().defaults().defaultArea,
                       rig.model().defaults().defaultSpeed),
            std::tuple(30.0, 3.0, 300.0));
  EXPECT_EQ(d.samples[3].storages[1].measurements[0].range, 20.0); // measurements keep theirs
  EXPECT_EQ(copyTo(CopyTarget::FollowingStorages), "... .xx ... ... ... ");
  EXPECT_EQ(copyTo(CopyTarget::All), "xxx xxx xxx xxx xxx ");
  EXPECT_EQ(d.samples[4].storages[2].saveChanges, 1u);
  EXPECT_EQ(copyTo(std::nullopt), "... .x. ... ... ... "); // Close
  EXPECT_EQ(rig.dialogs.copyAsked, 4);
}

} // namespace
} // namespace zv
