// File and Edit commands as whole flows through the scripted Ui: New, Open, Close, Save, Save
// As, the recent file, Exit's save prompt, and add/delete/copy with their dialogs.
#include <gtest/gtest.h>

#include "common/zv_datafile_testkit.hpp"
#include "program/zv_file_commands.hpp"
#include "program/zv_program.hpp"

namespace zv {
namespace {

class RecordingWindows : public DataWindows {
public:
  std::vector<std::string> calls;
  void showDataWindows() override { calls.push_back("show"); }
  void closeDataWindows() override { calls.push_back("close"); }
  void refreshTitles() override { calls.push_back("titles"); }
};

class ScriptedDialogs : public EditDialogs {
public:
  std::optional<NewDataSetInput> newAnswer;
  std::optional<NewDataSetInput> newInitial;
  std::vector<DeleteMode> deleteAsked;
  bool deleteAnswer = true;
  std::optional<CopyTarget> copyAnswer;
  int copyAsked = 0;

  std::optional<NewDataSetInput> newDataSet(const NewDataSetInput& initial) override {
    newInitial = initial;
    return newAnswer;
  }
  bool confirmDelete(DeleteMode mode) override {
    deleteAsked.push_back(mode);
    return deleteAnswer;
  }
  std::optional<CopyTarget> copyParameters() override {
    ++copyAsked;
    return copyAnswer;
  }
};

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
      if (bits == refresh::Everything && w != WindowId::Log)
        ++n;
    return n == 3;
  }
};

NewDataSetInput input(int samples, std::string samplePrefix, int storages,
                      std::string storagePrefix) {
  NewDataSetInput in;
  in.identNumber = "Nr 1";
  in.identName = "Test";
  in.sampleCount = samples;
  in.samplePrefix = std::move(samplePrefix);
  in.storageCount = storages;
  in.storagePrefix = std::move(storagePrefix);
  in.channel = 1;
  in.range = 20.0;
  in.area = 3.0;
  in.speed = 200.0;
  return in;
}

// ---- New ------------------------------------------------------------------------------------

TEST(FileNew, BuildsNamesTheDataSetAndSavesItAtOnce) {
  ProgramRig rig;
  rig.dialogs.newAnswer = input(2, "S", 4, "T");
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
  const DataSet& d = *rig.model().dataSet();
  ASSERT_EQ(d.samples.size(), 2u);
  EXPECT_EQ(d.samples[1].name, "S2");
  ASSERT_EQ(d.samples[0].storages.size(), 4u);
  EXPECT_EQ(d.samples[1].storages[3].name, "T4");
  EXPECT_EQ(d.samples[1].storages[3].measurements.size(), 1u);
  EXPECT_EQ(d.samples[0].storages[0].range, 50.0);
  EXPECT_EQ(d.samples[1].storages[3].measurements[0].area, 12.5);
  EXPECT_EQ(d.identNumber, "Nr 1");
  EXPECT_TRUE(rig.program.data.isLoaded());
  EXPECT_EQ(rig.model().isChanged(), 0u);
  EXPECT_EQ(test::TestDir::readFile(rig.dir.file("New.BIN")).size(), 260u + 2 * (34 + 4 * 180));
  EXPECT_EQ(rig.windows.calls, (std::vector<std::string>{"show"}));
  EXPECT_EQ(rig.model().defaults().samplePrefix, "S"); // remembered for next time
  EXPECT_FALSE(rig.ui.waitCursor);
}

TEST(FileNew, CancellingTheFileQuestionLeavesTheOldDataSet) {
  ProgramRig rig;
  rig.openDataSet("Old.BIN");
  rig.dialogs.newAnswer = input(1, "X", 1, "Y");
  rig.ui.fileAnswers = {std::nullopt};
  EXPECT_EQ(rig.commands.fileNew(), UserStopped);
  EXPECT_EQ(rig.model().sampleCount(), 3);
  EXPECT_EQ(rig.program.data.files.state().dataFileName, "Old.BIN");

  rig.dialogs.newAnswer.reset(); // Abort in the dialog
  EXPECT_EQ(rig.commands.fileNew(), UserStopped);
  EXPECT_EQ(rig.model().sampleCount(), 3);
}

TEST(FileNew, SavingTheOldDataSetGoesToItsOwnFile) {
  ProgramRig rig;
  const auto old = rig.openDataSet("Old.DAT");
  rig.model().dataSet()->samples[0].name = "changed";
  rig.model().markChanged(rig.model().dataSet()->samples[0]);
  rig.dialogs.newAnswer = input(1, "N", 1, "M");
  rig.ui.fileAnswers = {rig.dir.file("Fresh.BIN")};
  rig.ui.askAnswers = {1}; // save the old one
  ASSERT_EQ(rig.commands.fileNew(), 0);
  EXPECT_EQ(rig.ui.shown[1].title, "Create Data Set newly");
  // The old file holds the change, the new file the new data set.
  EXPECT_NE(test::TestDir::readFile(old).find("\"changed\""), std::string::npos);
  EXPECT_EQ(test::TestDir::readFile(rig.dir.file("Fresh.BIN")).size(), 260u + 34 + 180);
}

TEST(FileNew, AbortInTheSaveQuestionKeepsTheOldDataSet) {
  ProgramRig rig;
  rig.openDataSet("Old.BIN");
  rig.model().markTotalsChanged();
  rig.dialogs.newAnswer = input(1, "N", 1, "M");
  rig.ui.fileAnswers = {rig.dir.file("Fresh.BIN")};
  rig.ui.askAnswers = {0};
  EXPECT_EQ(rig.commands.fileNew(), UserStopped);
  EXPECT_EQ(rig.model().sampleCount(), 3);
  EXPECT_FALSE(std::filesystem::exists(rig.dir.file("Fresh.BIN")));
  EXPECT_EQ(rig.program.data.files.state().dataFileName, "Old.BIN");
}

TEST(FileNew, AFailedSaveClosesTheHalfBuiltDataSet) {
  ProgramRig rig;
  rig.dialogs.newAnswer = input(1, "N", 1, "M");
  rig.ui.fileAnswers = {rig.dir.file("nodir") / "Fresh.BIN"};
  EXPECT_EQ(rig.commands.fileNew(), DfSaveWrite);
  EXPECT_FALSE(rig.model().hasDataSet());
  EXPECT_FALSE(rig.program.data.isLoaded());
  EXPECT_EQ(rig.windows.calls, (std::vector<std::string>{"close"}));
}

TEST(FileNew, RefusedWhileMeasuring) {
  ProgramRig rig;
  rig.program.meas.processor.setMeasuring(true);
  EXPECT_EQ(rig.commands.fileNew(), 1);
  EXPECT_FALSE(rig.dialogs.newInitial);
  EXPECT_EQ(rig.ui.popups().size(), 1u);
  EXPECT_EQ(rig.commands.fileOpen(), 1);
  EXPECT_EQ(rig.commands.fileClose(), 1);
  EXPECT_TRUE(rig.ui.fileDialogs.empty());
}

// ---- Open, recent file, Close ---------------------------------------------------------------

TEST(FileOpen, OpensTheChosenFileAndShowsTheWindows) {
  ProgramRig rig;
  const auto p = rig.openDataSet("A.BIN", 2, 5);
  rig.program.data.files.closeDataSet(std::nullopt);
  rig.ui.fileAnswers = {p};
  ASSERT_EQ(rig.commands.fileOpen(), 0);
  EXPECT_EQ(rig.model().storageCount(), 5);
  EXPECT_TRUE(rig.program.data.isLoaded());
  EXPECT_EQ(rig.program.data.filePath(), p.string());
  EXPECT_EQ(rig.windows.calls, (std::vector<std::string>{"show"}));
  EXPECT_EQ(rig.hooks.calls.back(), "graphLoad " + p.string());
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
  EXPECT_EQ(test::TestDir::readFile(current).size(), 260u + 34 + 180);
  EXPECT_EQ(rig.ui.shown[1].title, "Load Sata Set");
}

TEST(FileOpen, AFailedLoadClosesTheDataSetAndTheWindows) {
  ProgramRig rig;
  const auto bad = rig.dir.write("Bad.BIN", "\x03garbage");
  rig.ui.fileAnswers = {bad};
  EXPECT_EQ(rig.commands.fileOpen(), DfLoadRead);
  EXPECT_FALSE(rig.model().hasDataSet());
  EXPECT_FALSE(rig.program.data.isLoaded());
  EXPECT_EQ(rig.windows.calls, (std::vector<std::string>{"close"}));
  EXPECT_EQ(rig.ui.popups().size(), 1u);
}

TEST(FileOpen, StayingWithTheCurrentDataSetDropsTheChoice) {
  ProgramRig rig;
  rig.openDataSet("Keep.BIN");
  rig.model().markTotalsChanged();
  const auto other = rig.dir.write("Other.BIN", "x");
  rig.ui.fileAnswers = {other};
  rig.ui.askAnswers = {0};
  EXPECT_EQ(rig.commands.fileOpen(), UserStopped);
  EXPECT_EQ(rig.program.data.files.state().dataFileName, "Keep.BIN");
  EXPECT_FALSE(rig.program.data.files.chosenFile());
  EXPECT_TRUE(rig.windows.calls.empty());
}

TEST(FileOpen, TheRecentFileOpensWithoutADialog) {
  ProgramRig rig;
  const auto p = rig.openDataSet("Recent.DAT", 2, 2);
  rig.program.data.files.closeDataSet(std::nullopt);
  ASSERT_EQ(rig.commands.fileOpenRecent(p.string()), 0);
  EXPECT_TRUE(rig.ui.fileDialogs.empty());
  EXPECT_EQ(rig.model().sampleCount(), 2);
  EXPECT_EQ(rig.program.data.files.state().dataFileName, "Recent.DAT");
}

TEST(FileClose, AsksWhenChangedAndClosesTheWindows) {
  ProgramRig rig;
  rig.openDataSet("C.BIN");
  rig.model().markTotalsChanged();
  rig.ui.askAnswers = {0};
  EXPECT_EQ(rig.commands.fileClose(), ClearAborted);
  EXPECT_TRUE(rig.model().hasDataSet());
  EXPECT_EQ(rig.ui.shown.back().title, "Close Data Set");
  rig.ui.askAnswers = {2};
  EXPECT_EQ(rig.commands.fileClose(), 0);
  EXPECT_FALSE(rig.model().hasDataSet());
  EXPECT_EQ(rig.windows.calls, (std::vector<std::string>{"close"}));
}

// ---- Save, Save As --------------------------------------------------------------------------

TEST(FileSave, SaveAndSaveAs) {
  ProgramRig rig;
  rig.openDataSet("S.BIN");
  rig.model().markTotalsChanged();
  ASSERT_EQ(rig.commands.fileSave(), 0);
  EXPECT_EQ(rig.model().isChanged(), 0u);
  EXPECT_EQ(rig.windows.calls, (std::vector<std::string>{"titles"}));

  rig.program.data.files.state().dataWrtTypeSelect = 1;
  rig.ui.fileAnswers = {rig.dir.file("S.DAT")};
  ASSERT_EQ(rig.commands.fileSaveAs(), 0);
  EXPECT_EQ(rig.ui.fileDialogs.back().defaultName, "S.DAT");
  EXPECT_EQ(rig.program.data.filePath(), rig.dir.file("S.DAT").string());
  EXPECT_EQ(test::TestDir::readFile(rig.dir.file("S.DAT")).substr(0, 9), "[AUFTRAG]");

  rig.ui.fileAnswers = {std::nullopt};
  EXPECT_EQ(rig.commands.fileSaveAs(), UserStopped);
  EXPECT_EQ(rig.program.data.filePath(), rig.dir.file("S.DAT").string());
}

// ---- Exit -----------------------------------------------------------------------------------

TEST(Exit, YesClosesTheDataSetThroughTheSavePrompt) {
  ProgramRig rig;
  const auto p = rig.openDataSet("E.BIN");
  rig.model().dataSet()->title = "changed";
  rig.model().markTotalsChanged();
  rig.ui.askAnswers = {0}; // Abort: the program goes on
  EXPECT_FALSE(rig.program.confirmExit());
  EXPECT_EQ(rig.program.quitRequested(), 0);
  EXPECT_EQ(rig.ui.shown.back().title, "File - Exit Program");
  EXPECT_EQ(rig.ui.shown.back().buttons,
            (std::vector<std::string>{"Abort", "Save\nDataset", "Reject\nChanges"}));
  EXPECT_TRUE(rig.model().hasDataSet());

  rig.ui.askAnswers = {1}; // Save
  EXPECT_TRUE(rig.program.confirmExit());
  EXPECT_EQ(rig.program.quitRequested(), 1);
  EXPECT_NE(test::TestDir::readFile(p).find("changed"), std::string::npos);
}

TEST(Exit, AFailedSaveKeepsTheProgramRunning) {
  ProgramRig rig;
  rig.openDataSet("E.BIN");
  rig.model().markTotalsChanged();
  rig.program.data.files.state().fileDirectory = (rig.dir.file("gone") / "deeper").string();
  rig.ui.askAnswers = {1};
  EXPECT_FALSE(rig.program.confirmExit());
  EXPECT_TRUE(rig.model().hasDataSet());
  EXPECT_EQ(rig.program.quitRequested(), 0);
}

TEST(Exit, AnUnchangedDataSetEndsWithoutQuestion) {
  ProgramRig rig;
  rig.openDataSet("U.BIN");
  EXPECT_TRUE(rig.program.confirmExit());
  EXPECT_TRUE(rig.ui.askAnswers.empty());
  EXPECT_EQ(rig.hooks.calls, (std::vector<std::string>{"graphFileCloseAll", "closeBackup"}));
}

TEST(Configuration, DataFileSettingsReachTheFileHandling) {
  ProgramRig rig;
  rig.dir.write("ZARVIK.INI", "[Verzeichnisse]\r\nDaten = \"" + rig.dir.path().string() +
                                  "\"\r\n[Optionen]\r\nDatentyp Speichern = 1\r\n"
                                  "Graphik Speichern = 0\r\n");
  rig.program.startUp({"zarvik"});
  const DataFileState& state = rig.program.data.files.state();
  EXPECT_EQ(state.dataDirectory, rig.dir.path().string());
  EXPECT_EQ(state.dataWrtTypeSelect, 1);
  EXPECT_EQ(state.saveGraph, 0);
  rig.ui.fileAnswers = {std::nullopt};
  rig.program.data.files.selectSaveFile();
  EXPECT_EQ(rig.ui.fileDialogs.back().startDirectory, rig.dir.path());
  EXPECT_EQ(rig.ui.fileDialogs.back().defaultName, "New.DAT");
}

// ---- Edit -----------------------------------------------------------------------------------

TEST(EditAdd, AppendsAndRefreshes) {
  ProgramRig rig;
  rig.openDataSet("A.BIN", 2, 2);
  ASSERT_EQ(rig.commands.editAdd(AddKind::Sample), 0);
  EXPECT_EQ(rig.model().sampleCount(), 3);
  EXPECT_EQ(rig.model().dataSet()->sampleCount, 3); // renumbered
  EXPECT_TRUE(rig.refreshedEverything());
  ASSERT_EQ(rig.commands.editAdd(AddKind::Storage), 0);
  EXPECT_EQ(rig.model().storageCount(), 3);
  rig.model().dataSet()->currentStorage = 1;
  ASSERT_EQ(rig.commands.editAdd(AddKind::Measurement), 0);
  EXPECT_EQ(rig.model().measurementCount(0, 1), 2);
  EXPECT_NE(rig.model().isChanged(), 0u);
}

TEST(EditAdd, LimitsLogTheirMessageAndSkipTheRefresh) {
  ProgramRig rig;
  rig.openDataSet("A.BIN", 20, 1);
  EXPECT_EQ(rig.commands.editAdd(AddKind::Sample), ModelLimitReached);
  EXPECT_NE(rig.log.text.find("Maximum Sample number already available"), std::string::npos);
  EXPECT_TRUE(rig.refresh.requests.empty());

  ProgramRig none;
  EXPECT_EQ(none.commands.editAdd(AddKind::Measurement), 1);
}

TEST(EditDelete, TheLastRecordIsRefusedWithAPopupAndNoDialog) {
  ProgramRig rig;
  rig.openDataSet("D.BIN", 1, 1);
  for (DeleteMode mode : {DeleteMode::Sample, DeleteMode::Storage, DeleteMode::Measurement})
    EXPECT_EQ(rig.commands.editDelete(mode), 1);
  EXPECT_TRUE(rig.dialogs.deleteAsked.empty());
  EXPECT_EQ(rig.ui.popups(),
            std::vector<std::string>(3, "Input Error|The list must at least contain one element"));
  rig.program.setLanguage(0);
  rig.commands.editDelete(DeleteMode::Sample);
  EXPECT_EQ(rig.ui.popups().back(),
            "Eingabefehler|Die Liste muß mindestens ein Element enthalten"_l1);
}

TEST(EditDelete, DeletesTheCurrentRecordAfterConfirmation) {
  ProgramRig rig;
  rig.openDataSet("D.BIN", 3, 3);
  DataSet& d = *rig.model().dataSet();
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
  // Names follow the positions after the renumbering.
  EXPECT_EQ(d.samples[1].storages[0].storageIndex, 0);
  EXPECT_EQ(rig.dialogs.deleteAsked,
            (std::vector<DeleteMode>{DeleteMode::Sample, DeleteMode::Sample, DeleteMode::Storage}));

  rig.model().addMeasurements(1, 0, 3);
  d.currentStorage = 0;
  d.currentMeasurement = 1;
  d.samples[1].storages[0].measurements[2].force = 9.0;
  ASSERT_EQ(rig.commands.editDelete(DeleteMode::Measurement), 0);
  ASSERT_EQ(d.samples[1].storages[0].measurements.size(), 2u);
  EXPECT_EQ(d.samples[1].storages[0].measurements[1].force, 9.0);
  EXPECT_EQ(d.samples[1].storages[0].measurements[1].measurementIndex, 1);
}

TEST(EditCopy, CopiesToTheChosenStorages) {
  ProgramRig rig;
  rig.openDataSet("K.BIN", 5, 3);
  DataSet& d = *rig.model().dataSet();
  auto reset = [&] {
    for (auto& s : d.samples)
      for (auto& t : s.storages) {
        t.range = 10.0;
        t.area = 1.0;
        t.speed = 100.0;
      }
    StorageCondition& src = d.samples[1].storages[1];
    src.range = 30.0;
    src.area = 3.0;
    src.speed = 300.0;
    d.currentSample = 1;
    d.currentStorage = 1;
  };
  auto copied = [&](int s, int t) { return d.samples[s].storages[t].range == 30.0; };

  reset();
  rig.dialogs.copyAnswer = CopyTarget::FollowingSamples;
  ASSERT_EQ(rig.commands.editCopyParameters(), 0);
  for (int s = 0; s < 5; ++s)
    for (int t = 0; t < 3; ++t)
      EXPECT_EQ(copied(s, t), t == 1 && s >= 1) << s << "/" << t;
  EXPECT_EQ(rig.model().defaults().defaultRange, 30.0);
  EXPECT_EQ(rig.model().defaults().defaultArea, 3.0);
  EXPECT_EQ(rig.model().defaults().defaultSpeed, 300.0);
  EXPECT_EQ(d.samples[3].storages[1].measurements[0].range, 20.0); // measurements keep theirs

  reset();
  rig.dialogs.copyAnswer = CopyTarget::FollowingStorages;
  rig.commands.editCopyParameters();
  for (int s = 0; s < 5; ++s)
    for (int t = 0; t < 3; ++t)
      EXPECT_EQ(copied(s, t), s == 1 && t >= 1) << s << "/" << t;

  reset();
  rig.dialogs.copyAnswer = CopyTarget::All;
  rig.commands.editCopyParameters();
  for (int s = 0; s < 5; ++s)
    for (int t = 0; t < 3; ++t)
      EXPECT_TRUE(copied(s, t));
  EXPECT_EQ(d.samples[4].storages[2].saveChanges, 1u);

  reset();
  rig.dialogs.copyAnswer.reset(); // Close
  EXPECT_EQ(rig.commands.editCopyParameters(), UserStopped);
  EXPECT_FALSE(copied(0, 0));
  EXPECT_EQ(rig.dialogs.copyAsked, 4);
}

} // namespace
} // namespace zv
