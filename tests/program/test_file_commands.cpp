// File and Edit commands as whole flows through the scripted Ui: New, Open, Close, Save, Save
// As, the recent file, Exit's save prompt, add/delete/copy with their dialogs, and Options >
// Data Set.
#include <gtest/gtest.h>

#include "common/zv_data_windows.hpp"
#include "common/zv_datafile_testkit.hpp"
#include "common/zv_program_rig.hpp"
#include "program/zv_dataset_options.hpp"
#include "program/zv_file_commands.hpp"
#include "program/zv_program.hpp"
#include "program/zv_workdir.hpp"

namespace zv {
namespace {

using Calls = std::vector<std::string>;
using test::TestDir;

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

struct FileRig : test::ProgramRig {
  test::RecordingHooks hooks;
  test::RecordingWindows windows;
  test::ScriptedDialogs dialogs;
  FileCommands commands{*program, windows, dialogs};

  FileRig() { program->data.files.setHooks(&hooks); }
  std::string fileName() { return program->data.files.state().dataFileName; }
  // A saved data set of s x t that is open as after File > Open.
  std::filesystem::path openDataSet(const std::string& name, int s = 3, int t = 3) {
    test::buildDataSet(model(), s, t, {1});
    program->data.files.setDataFile(dir.file(name));
    EXPECT_EQ(program->data.files.saveDataSet(), 0);
    program->data.files.markLoaded();
    ui.shown.clear();
    hooks.calls.clear();
    return dir.file(name);
  }
  // What a command left: its result, the open data set's samples, file and loaded state, the
  // window calls and the titles the Ui showed (a progress title with the file's name only).
  std::tuple<int, int, std::string, bool, Calls, Calls> after(int result) {
    Calls titles;
    for (const auto& s : ui.shown) {
      const auto named = s.title.find(": ");
      titles.push_back(s.kind + "|" + s.title.substr(0, named));
      if (named != std::string::npos) {
        titles.back() +=
            ": " + std::filesystem::path(s.title.substr(named + 2)).filename().string();
      }
    }
    return {result, model().sampleCount(), fileName(), program->data.isLoaded(), windows.calls,
            titles};
  }
  bool refreshedEverything() const {
    int n = 0;
    for (const auto& [w, bits] : refresh.requests)
      n += bits == refresh::Everything && w != WindowId::Log;
    return n == 3;
  }
};

TEST(FileNew, BuildsNamesTheDataSetAndSavesItAtOnce) {
  FileRig rig;
  rig.dialogs.newAnswer = input(2, 4);
  rig.ui.fileAnswers = {rig.dir.file("New.BIN")};
  // Tester 2 (channel 1) has a piston and an area that tester 1 lacks.
  TesterDevice& second = *rig.program->meas.devices.device(1);
  second.pistons.insert(50.0);
  second.areas.insert(12.5);
  std::tie(rig.dialogs.newAnswer->range, rig.dialogs.newAnswer->area) = std::tuple(50.0, 12.5);
  EXPECT_EQ(rig.after(rig.commands.fileNew()),
            (std::tuple{0, 2, "New.BIN", true, Calls{"show"},
                        Calls{"file|File - Save", "progress|File - Save: New.BIN"}}));
  EXPECT_EQ(rig.dialogs.newInitial->identName, "New"); // starts from the defaults
  EXPECT_EQ(rig.program->meas.devices.shownDevice(), 1);
  const DataSet& d = rig.ds();
  ASSERT_EQ(d.samples[0].storages.size(), 4u);
  const StorageCondition& last = d.samples[1].storages[3];
  ASSERT_EQ(last.measurements.size(), 1u);
  EXPECT_EQ((std::tuple{d.samples[1].name, last.name, d.identNumber, d.samples[0].storages[0].range,
                        last.measurements[0].area, rig.model().isChanged(),
                        rig.model().defaults().samplePrefix, rig.ui.waitCursor}),
            (std::tuple{"S2", "T4", "Nr 1", 50.0, 12.5, 0u, "S", false}));
  EXPECT_EQ(TestDir::readFile(rig.dir.file("New.BIN")).size(), binSize(2, 4));
}

// Every way of stopping New, Open or Close, and File > New while measuring, keeps the open
// data set, its file and its windows.
TEST(FileCommandsStopped, KeepTheOpenDataSet) {
  const auto New = &FileCommands::fileNew, Open = &FileCommands::fileOpen;
  const auto Close = &FileCommands::fileClose;
  const struct {
    const char* what;
    bool changed, measuring, newAnswer;
    std::deque<int> asked;
    const char* chosen; // the file dialog's answer, if one is expected
    int (FileCommands::*run)();
    int result;
    std::size_t popups;
  } cases[] = {
      // clang-format off
      {"New, dialog aborted",                false, false, false, {},  nullptr,     New,   UserStopped,  0},
      {"New, file question cancelled",       false, false, true,  {},  "",          New,   UserStopped,  0},
      {"New, Abort in the save question",    true,  false, true,  {0}, "Fresh.BIN", New,   UserStopped,  0},
      {"Open, staying with the current one", true,  false, false, {0}, "Other.BIN", Open,  UserStopped,  0},
      {"Close, Abort",                       true,  false, false, {0}, nullptr,     Close, ClearAborted, 0},
      {"New while measuring",                false, true,  false, {},  nullptr,     New,   1,            1},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FileRig rig;
    rig.openDataSet("Old.BIN");
    if (c.changed) {
      rig.model().markTotalsChanged();
    }
    rig.program->meas.processor.setMeasuring(c.measuring);
    if (c.newAnswer) {
      rig.dialogs.newAnswer = input();
    }
    rig.ui.askAnswers = c.asked;
    const std::string chosen = c.chosen ? c.chosen : "";
    if (chosen == "Other.BIN") {
      rig.ui.fileAnswers = {rig.dir.write(chosen, "x")};
    } else if (c.chosen) {
      rig.ui.fileAnswers = {chosen.empty() ? std::nullopt : std::optional(rig.dir.file(chosen))};
    }
    const auto [result, samples, file, loaded, windows, titles] =
        rig.after((rig.commands.*c.run)());
    EXPECT_EQ((std::tuple{result, samples, file, windows, rig.ui.popups().size(),
                          rig.ui.fileDialogs.size(),
                          chosen == "Other.BIN" && rig.program->data.files.chosenFile()}),
              (std::tuple{c.result, 3, "Old.BIN", Calls{}, c.popups, c.chosen ? 1u : 0u, false}));
    EXPECT_FALSE(std::filesystem::exists(rig.dir.file("Fresh.BIN")));
    if (c.popups) { // refused before the dialog
      EXPECT_FALSE(rig.dialogs.newInitial);
    }
  }
}

// Saving the open data set first writes it to its own file, never over the one to open.
TEST(FileNewAndOpen, SaveTheOldDataSetToItsOwnFileFirst) {
  FileRig rig;
  const auto old = rig.openDataSet("Old.DAT");
  rig.ds().samples[0].name = "changed";
  rig.model().markChanged(rig.ds().samples[0]);
  rig.dialogs.newAnswer = input();
  rig.ui.fileAnswers = {rig.dir.file("Fresh.BIN")};
  rig.ui.askAnswers = {1}; // save the old one
  EXPECT_EQ(
      rig.after(rig.commands.fileNew()),
      (std::tuple{0, 1, "Fresh.BIN", true, Calls{"show"},
                  Calls{"file|File - Save", "ask|Create Data Set newly",
                        "progress|File - Save: Old.DAT", "progress|File - Save: Fresh.BIN"}}));
  EXPECT_NE(TestDir::readFile(old).find("\"changed\""), std::string::npos);
  EXPECT_EQ(TestDir::readFile(rig.dir.file("Fresh.BIN")).size(), binSize(1, 1));

  FileRig other;
  const auto wanted = other.openDataSet("Wanted.BIN", 4, 4);
  const std::string wantedBytes = TestDir::readFile(wanted);
  const auto current = rig.openDataSet("Current.BIN", 1, 1);
  rig.model().markTotalsChanged();
  rig.ui.fileAnswers = {wanted};
  rig.ui.askAnswers = {1};
  EXPECT_EQ(
      rig.after(rig.commands.fileOpen()),
      (std::tuple{0, 4, "Wanted.BIN", true, Calls{"show", "show"},
                  Calls{"file|File - Save", "ask|Load Sata Set",
                        "progress|File - Save: Current.BIN", "progress|File - Open: Wanted.BIN"}}));
  EXPECT_EQ(TestDir::readFile(wanted), wantedBytes);
  EXPECT_EQ(TestDir::readFile(current).size(), binSize(1, 1));
}

// A failed save of a new data set or a failed load closes the data set and its windows.
TEST(FileNewAndOpen, AFailureClosesTheDataSetAndTheWindows) {
  FileRig rig;
  rig.dialogs.newAnswer = input();
  rig.ui.fileAnswers = {rig.dir.file("nodir") / "Fresh.BIN",
                        rig.dir.write("Bad.BIN", "\x03garbage")};
  EXPECT_EQ(rig.commands.fileNew(), DfSaveWrite);
  EXPECT_EQ(std::tuple(rig.model().hasDataSet(), rig.program->data.isLoaded(), rig.windows.calls),
            std::tuple(false, false, Calls{"close"}));
  EXPECT_EQ(rig.commands.fileOpen(), DfLoadRead);
  EXPECT_EQ(std::tuple(rig.model().hasDataSet(), rig.program->data.isLoaded(), rig.windows.calls),
            std::tuple(false, false, Calls{"close", "close"}));
  EXPECT_EQ(rig.ui.popups().size(), 2u);
}

TEST(FileOpen, OpensTheChosenOrRecentFileAndShowsTheWindows) {
  FileRig rig;
  const auto p = rig.openDataSet("A.BIN", 2, 5);
  rig.program->data.files.closeDataSet(std::nullopt);
  rig.ui.fileAnswers = {p};
  ASSERT_EQ(rig.commands.fileOpen(), 0);
  EXPECT_EQ((std::tuple{rig.model().storageCount(), rig.program->data.isLoaded(),
                        rig.program->data.filePath(), rig.windows.calls, rig.hooks.calls.back()}),
            (std::tuple{5, true, p.string(), Calls{"show"}, "graphLoad " + p.string()}));

  const auto recent = rig.openDataSet("Recent.DAT", 2, 2);
  rig.program->data.files.closeDataSet(std::nullopt);
  ASSERT_EQ(rig.commands.fileOpenRecent(recent.string()), 0);
  EXPECT_EQ(rig.ui.fileDialogs.size(), 1u); // no dialog for the recent file
  EXPECT_EQ(std::tuple(rig.model().sampleCount(), rig.fileName()), std::tuple(2, "Recent.DAT"));
}

TEST(FileCloseAndSave, CloseAsksWhenChangedAndACancelledSaveAsKeepsTheFile) {
  FileRig rig;
  rig.openDataSet("S.BIN");
  rig.model().markTotalsChanged();
  ASSERT_EQ(rig.commands.fileSave(), 0);
  EXPECT_EQ(std::tuple(rig.model().isChanged(), rig.windows.calls),
            std::tuple(0u, Calls{"titles"}));

  // Save As of the chosen type: OptionsFixture.OkStoresTheOptionsAndTheOpenDataSetKeepsItsFile.
  rig.ui.fileAnswers = {std::nullopt};
  EXPECT_EQ(rig.commands.fileSaveAs(), UserStopped);
  EXPECT_EQ(rig.program->data.filePath(), rig.dir.file("S.BIN").string());

  rig.model().markTotalsChanged();
  rig.ui.askAnswers = {2};
  EXPECT_EQ(rig.commands.fileClose(), 0);
  EXPECT_EQ(std::tuple(rig.ui.shown.back().title, rig.model().hasDataSet(), rig.windows.calls),
            std::tuple("Close Data Set", false, Calls{"titles", "close"}));
}

TEST(Exit, AbortGoesOnSaveEndsAndAFailedSaveKeepsTheProgramRunning) {
  FileRig unchanged;
  unchanged.openDataSet("U.BIN");
  EXPECT_TRUE(unchanged.program->confirmExit()); // no question
  EXPECT_EQ(unchanged.hooks.calls, (Calls{"graphFileCloseAll", "closeBackup"}));

  FileRig rig;
  const auto p = rig.openDataSet("E.BIN");
  rig.ds().title = "changed";
  rig.model().markTotalsChanged();
  rig.ui.askAnswers = {0, 1, 1}; // Abort: the program goes on
  EXPECT_FALSE(rig.program->confirmExit());
  EXPECT_EQ(rig.ui.transcript().back(), "ask|File - Exit Program|" + rig.ui.shown.back().text +
                                            "|Abort|Save\nDataset|Reject\nChanges");
  std::string& directory = rig.program->data.files.state().fileDirectory;
  const std::string kept = directory;
  directory = (rig.dir.file("gone") / "deeper").string();
  EXPECT_FALSE(rig.program->confirmExit()); // Save fails
  EXPECT_EQ(std::tuple(rig.model().hasDataSet(), rig.program->quitRequested()),
            std::tuple(true, 0));
  directory = kept;
  EXPECT_TRUE(rig.program->confirmExit()); // Save
  EXPECT_EQ(rig.program->quitRequested(), 1);
  EXPECT_NE(TestDir::readFile(p).find("changed"), std::string::npos);
}

TEST(EditAdd, AppendsAndRefreshesAndLimitsOnlyLog) {
  FileRig rig;
  rig.openDataSet("A.BIN", 2, 2);
  ASSERT_EQ(rig.commands.editAdd(AddKind::Sample), 0);
  EXPECT_TRUE(rig.refreshedEverything());
  ASSERT_EQ(rig.commands.editAdd(AddKind::Storage), 0);
  rig.ds().currentStorage = 1;
  ASSERT_EQ(rig.commands.editAdd(AddKind::Measurement), 0);
  EXPECT_EQ((std::tuple{rig.model().sampleCount(), rig.ds().sampleCount, rig.model().storageCount(),
                        rig.model().measurementCount(0, 1), rig.model().isChanged() != 0u}),
            (std::tuple{3, 3, 3, 2, true}));

  FileRig full;
  full.openDataSet("A.BIN", 20, 1);
  EXPECT_EQ(full.commands.editAdd(AddKind::Sample), ModelLimitReached);
  EXPECT_NE(full.log.text.find("Maximum Sample number already available"), std::string::npos);
  EXPECT_TRUE(full.refresh.requests.empty());
}

// The last record of its list is refused with a popup, without the dialog; any other is
// deleted after the dialog's confirmation.
TEST(EditDelete, DeletesTheCurrentRecordAfterConfirmation) {
  FileRig last;
  last.openDataSet("D.BIN", 1, 1);
  EXPECT_EQ((std::vector<int>{last.commands.editDelete(DeleteMode::Sample),
                              last.commands.editDelete(DeleteMode::Storage),
                              last.commands.editDelete(DeleteMode::Measurement)}),
            (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(std::tuple(last.dialogs.deleteAsked.size(), last.ui.popups()),
            std::tuple(0u, Calls(3, "Input Error|The list must at least contain one element")));

  FileRig rig;
  rig.openDataSet("D.BIN", 3, 3);
  DataSet& d = rig.ds();
  d.currentSample = 2;
  rig.dialogs.deleteAnswer = false;
  EXPECT_EQ(rig.commands.editDelete(DeleteMode::Sample), UserStopped);
  EXPECT_EQ(rig.model().sampleCount(), 3);

  rig.dialogs.deleteAnswer = true;
  ASSERT_EQ(rig.commands.editDelete(DeleteMode::Sample), 0);
  // moved to the new last sample
  EXPECT_EQ((std::tuple{rig.model().sampleCount(), d.currentSample, rig.refreshedEverything(),
                        rig.model().isChanged() != 0u}),
            (std::tuple{2, 1, true, true}));

  d.currentStorage = 0;
  ASSERT_EQ(rig.commands.editDelete(DeleteMode::Storage), 0);
  EXPECT_EQ(std::tuple(rig.model().storageCount(), d.samples[1].storages[0].storageIndex),
            std::tuple(2, 0)); // renumbered
  EXPECT_EQ(rig.dialogs.deleteAsked,
            (std::vector<DeleteMode>{DeleteMode::Sample, DeleteMode::Sample, DeleteMode::Storage}));
}

TEST(EditCopy, CopiesToTheChosenStorages) {
  FileRig rig;
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
  const DataSetDefaults& defaults = rig.model().defaults();
  EXPECT_EQ(std::tuple(defaults.defaultRange, defaults.defaultArea, defaults.defaultSpeed),
            std::tuple(30.0, 3.0, 300.0));
  EXPECT_EQ(d.samples[3].storages[1].measurements[0].range, 20.0); // measurements keep theirs
  EXPECT_EQ(copyTo(CopyTarget::FollowingStorages), "... .xx ... ... ... ");
  EXPECT_EQ(copyTo(CopyTarget::All), "xxx xxx xxx xxx xxx ");
  EXPECT_EQ(d.samples[4].storages[2].saveChanges, 1u);
  EXPECT_EQ(copyTo(std::nullopt), "... .x. ... ... ... "); // Close
  EXPECT_EQ(rig.dialogs.copyAsked, 4);
}

// Options > Data Set without its window: what OK stores, what it refuses, and that the open
// data set keeps its file when the data directory changes.

struct OptionsFixture : ::testing::Test, test::ProgramRig {
  Program& p = *program;
  test::RecordingWindows windows;
  test::ScriptedDialogs dialogs;
  FileCommands commands{p, windows, dialogs};
};

TEST_F(OptionsFixture, OkStoresTheOptionsAndTheOpenDataSetKeepsItsFile) {
  EXPECT_EQ(std::tuple(dataSetInfo(p).samples, dataSetInfo(p).dataFilePath), std::tuple("", ""));
  test::buildDataSet(p.data.model, 2, 2, {1});
  const auto file = dir.file("KEEP.BIN");
  p.data.files.setDataFile(file);
  ASSERT_EQ(p.data.files.saveDataSet(), 0);
  p.data.files.markLoaded();
  EXPECT_EQ(std::tuple(dataSetInfo(p).samples, dataSetInfo(p).graphFilePath),
            std::tuple("2", file.string() + ".GRF"));

  const auto other = dir.path() / "other";
  std::filesystem::create_directory(other);
  DataSetOptions o = dataSetOptions(p);
  std::tie(o.directory, o.saveGraph, o.dataWrtTypeSelect) = std::tuple(other.string(), false, 1);
  ASSERT_TRUE(applyDataSetOptions(p, o));
  EXPECT_EQ(p.data.files.state().saveGraph, 0);

  // Save writes the data set's own file, not one of the same name in the new directory.
  p.data.model.dataSet()->title = "saved";
  p.data.model.markTotalsChanged();
  ASSERT_EQ(commands.fileSave(), 0);
  EXPECT_EQ(std::tuple(std::filesystem::exists(other / "KEEP.BIN"),
                       test::TestDir::readFile(file).find("saved") != std::string::npos),
            std::tuple(false, true));
  // Save As starts in the new directory and proposes the chosen type.
  ui.fileAnswers = {other / "KEEP.DAT"};
  ASSERT_EQ(commands.fileSaveAs(), 0);
  EXPECT_EQ(std::tuple(ui.fileDialogs.back().startDirectory, ui.fileDialogs.back().defaultName,
                       test::TestDir::readFile(other / "KEEP.DAT").substr(0, 9)),
            std::tuple(other, "KEEP.DAT", "[AUFTRAG]"));
}

TEST_F(OptionsFixture, RefusesWhatCannotBeStored) {
  DataSetOptions o = dataSetOptions(p);
  o.directory = std::string(260, 'd');
  EXPECT_EQ((std::tuple{applyDataSetOptions(p, o), p.data.files.state().dataDirectory,
                        ui.popups().size()}),
            (std::tuple{false, "", 1u}));

  p.meas.processor.setMeasuring(true);
  o = dataSetOptions(p);
  EXPECT_FALSE(o.typeEditable);
  o.dataWrtTypeSelect = 1;
  ASSERT_TRUE(applyDataSetOptions(p, o));
  EXPECT_EQ(p.data.files.state().dataWrtTypeSelect, 0);

  ui.directoryAnswers = {std::nullopt};
  EXPECT_EQ(chooseDataDirectory(p, "/data"), std::nullopt);
  EXPECT_EQ(ui.shown.back().title, "ZARVIK Datenverzeichnis");
}

} // namespace
} // namespace zv
