// Data set file handling: the file dialogs with their questions, saving and loading with the
// progress dialog, messages and codes, the graph and backup calls, and closing with the save
// question.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "common/zv_datafile_testkit.hpp"
#include "storage/zv_datafile.hpp"

namespace zv {
namespace {

struct HandlerRig : test::ModelRig {
  ProgramTexts texts;
  test::RecordingHooks hooks;
  FaultyFileSystem fs;
  DataFileHandler files{{model, reporter, ui, lang, texts, fs}};

  explicit HandlerRig(int language = 1) {
    lang.language = language;
    texts.select(lang);
    files.setHooks(&hooks);
  }
  // A data set that belongs to dir/name, saved there.
  std::filesystem::path savedDataSet(const std::string& name, int s = 2, int t = 2) {
    test::buildDataSet(model, s, t, {1, 2});
    files.setDataFile(dir.file(name));
    EXPECT_EQ(files.saveDataSet(), 0);
    hooks.calls.clear();
    return dir.file(name);
  }
  void change() { model.markChanged(*model.dataSet()); }
  int load(const std::filesystem::path& p, int refreshBackup = 1) {
    files.setDataFile(p);
    return files.loadDataSetReport(refreshBackup);
  }
};

// ---- file dialogs ---------------------------------------------------------------------------

// A file dialog as "mode title|default name|filter|start directory".
std::string dialog(const FileDialogSpec& d) {
  return std::string(d.mode == FileDialogSpec::Mode::Save ? "save " : "open ") + d.title + "|" +
         d.defaultName + "|" + d.filter + "|" + d.startDirectory.string();
}

TEST(FileDialogs, SaveOffersTheCurrentNameWithTheSaveExtension) {
  HandlerRig rig;
  rig.files.state().dataWrtTypeSelect = 1;
  rig.files.setDataFile(rig.dir.file("Order.BIN"));
  rig.ui.fileAnswers = {std::nullopt, rig.dir.file("plain"), rig.dir.file("mixed.Dat")};
  EXPECT_EQ(rig.files.selectSaveFile(), 0);
  EXPECT_EQ(dialog(rig.ui.fileDialogs.at(0)),
            "save File - Save|Order.DAT|*.DAT|" + rig.dir.path().string());
  EXPECT_EQ(rig.files.state().dataFileName, "Order.BIN"); // cancelling changes nothing
  // A name without a data extension gets the save extension.
  ASSERT_EQ(rig.files.selectSaveFile(), 1);
  EXPECT_EQ(*rig.files.chosenFile(), rig.dir.file("plain.DAT"));
  ASSERT_EQ(rig.files.selectSaveFile(), 1);
  EXPECT_EQ(*rig.files.chosenFile(), rig.dir.file("mixed.Dat"));

  HandlerRig fresh;
  fresh.files.state().dataWrtTypeSelect = 0;
  fresh.ui.fileAnswers.push_back(std::nullopt);
  fresh.files.selectSaveFile();
  EXPECT_EQ(fresh.ui.fileDialogs[0].defaultName + fresh.ui.fileDialogs[0].filter, "New.BIN*.BIN");
  fresh.files.state().dataWrtTypeSelect = 2;
  EXPECT_EQ(fresh.files.selectSaveFile(), DfSaveType);
  EXPECT_EQ(fresh.files.selectLoadFile(), DfLoadSelectType);
}

TEST(FileDialogs, AnExistingFileIsOverwrittenOnlyWhenConfirmed) {
  HandlerRig rig;
  const auto taken = rig.dir.write("Taken.BIN", "x");
  // Choose new file -> the dialog again; then overwrite.
  rig.ui.fileAnswers = {taken, taken};
  rig.ui.askAnswers = {1, 0};
  ASSERT_EQ(rig.files.selectSaveFile(), 1);
  const std::string exists =
      "ask Save|File -" + taken.string() + "-\n exists|Overwriting,Choosing new file,Abort\n";
  EXPECT_EQ(rig.transcript(), "save File - Save|New.BIN|*.BIN|\n" + exists +
                                  "save File - Save|Taken.BIN|*.BIN|" + rig.dir.path().string() +
                                  "\n" + exists);
  // Abort cancels.
  rig.ui.fileAnswers = {taken};
  rig.ui.askAnswers = {2};
  EXPECT_EQ(rig.files.selectSaveFile(), 0);
}

TEST(FileDialogs, TheBackupDirectoryIsRefused) {
  HandlerRig rig;
  std::filesystem::create_directories(rig.dir.file("Backup"));
  rig.files.setBackupDirectory(rig.dir.file("Backup"));
  rig.ui.fileAnswers = {rig.dir.file("Backup") / "X.BIN", rig.dir.file("X.BIN")};
  ASSERT_EQ(rig.files.selectSaveFile(), 1);
  EXPECT_EQ(rig.ui.popups(),
            (std::vector<std::string>{
                "File - Save|Backup Verzeichnis kann nicht zum Speichern ausgewählt werden"_l1}));
  EXPECT_EQ(*rig.files.chosenFile(), rig.dir.file("X.BIN"));
  EXPECT_FALSE(rig.files.isInBackupDirectory(rig.dir.file("BackupX.BIN")));
  // The choice becomes the data file once, when used.
  EXPECT_EQ((std::tuple{rig.files.useChosenFile(), rig.files.useChosenFile(),
                        rig.files.state().dataFileName}),
            (std::tuple{true, false, "X.BIN"}));
}

TEST(FileDialogs, LoadAsksForAnExistingFile) {
  HandlerRig rig;
  const auto there = rig.dir.write("A.DAT", "x");
  rig.ui.fileAnswers = {rig.dir.file("missing.DAT"), there};
  EXPECT_EQ(rig.files.selectLoadFile(), 0);
  EXPECT_FALSE(rig.files.chosenFile());
  EXPECT_EQ(rig.ui.fileDialogs[0].defaultName + "|" + rig.ui.fileDialogs[0].filter,
            "*.BIN|*.DAT;*.BIN");
  EXPECT_EQ(rig.files.selectLoadFile(), 1);
  EXPECT_EQ(*rig.files.chosenFile(), there);
}

// ---- saving ---------------------------------------------------------------------------------

TEST(Saving, SaveWritesTheFileAndGraphAndRefreshesTheBackup) {
  HandlerRig rig;
  test::buildDataSet(rig.model, 2, 3, {1});
  rig.change();
  rig.files.setDataFile(rig.dir.file("S.BIN"));
  ASSERT_EQ(rig.files.saveDataSet(), 0);
  EXPECT_EQ(test::TestDir::readFile(rig.dir.file("S.BIN")).size(), 260u + 2 * (34 + 3 * 180));
  EXPECT_EQ(rig.model.isChanged(), 0u);
  const std::string p = rig.dir.file("S.BIN").string();
  EXPECT_EQ(rig.hooks.calls, (std::vector<std::string>{"graphSave " + p, "refreshBackup " + p}));
  EXPECT_EQ(rig.transcript(), "progress File - Save: " + p + "|Percent ready|Stop\n");
}

TEST(Saving, MissingNameStopAndFailuresKeepTheChanges) {
  HandlerRig rig;
  test::buildDataSet(rig.model, 4, 2, {1});
  rig.change();
  EXPECT_EQ(rig.files.saveDataSet(), DfNoFileName);

  const auto p = rig.dir.write("K.BIN", "old");
  rig.files.setDataFile(p);
  rig.ui.stopProgressAtUpdate = 2;
  EXPECT_EQ(rig.files.saveDataSet(), UserStopped);
  EXPECT_EQ((std::tuple{rig.ui.popups().back(), rig.dir.read("K.BIN"), rig.model.isChanged() != 0,
                        rig.hooks.calls.empty()}),
            (std::tuple{"File - Save|Speichern des Datenfiles wurde mit Cancel abgebrochen", "old",
                        true, true}));

  rig.ui.stopProgressAtUpdate = 0;
  rig.fs.failOn(FaultyFileSystem::Op::Rename, std::errc::io_error);
  EXPECT_EQ(rig.files.saveDataSet(), DfSaveWrite);
  EXPECT_EQ((std::tuple{rig.ui.popups().back(), rig.dir.read("K.BIN"), rig.model.isChanged() != 0,
                        rig.recorded(DfBinaryClose)}),
            (std::tuple{"File - Save|Error when saving the datafile - Abbruch\nInput/output error",
                        "old", true, true}));
}

// ---- loading --------------------------------------------------------------------------------

TEST(Loading, LoadsEitherFormatAndCallsBackupAndGraph) {
  HandlerRig writer;
  const auto bin = writer.savedDataSet("L.BIN", 3, 2);
  writer.files.state().dataWrtTypeSelect = 0;         // binary by option, but the file is
  writer.files.setDataFile(writer.dir.file("l.dat")); // text by its extension (any case)
  ASSERT_EQ(writer.files.saveDataSet(), 0);
  for (const auto& p : {bin, writer.dir.file("l.dat")}) {
    HandlerRig rig;
    ASSERT_EQ(rig.load(p), 0);
    EXPECT_EQ(
        (std::tuple{rig.files.isLoaded(), rig.files.state().dataFileOpen, rig.model.isChanged(),
                    rig.files.state().loadType, rig.hooks.calls, rig.ui.shown[0].title}),
        (std::tuple{
            true, true, 0u, p.extension() == ".BIN" ? 0 : 1,
            std::vector<std::string>{"refreshBackup " + p.string(), "graphLoad " + p.string()},
            "File - Open: " + p.string()}));
    test::expectSameContent(*writer.model.dataSet(), *rig.model.dataSet(), false);
  }
  HandlerRig noBackup;
  ASSERT_EQ(noBackup.load(bin, 0), 0);
  EXPECT_EQ(noBackup.hooks.calls, (std::vector<std::string>{"graphLoad " + bin.string()}));
}

TEST(Loading, BadNamesAndMissingFilesFailBeforeTheDataSetIsTouched) {
  HandlerRig rig;
  test::buildDataSet(rig.model, 2, 2, {1});
  struct Case {
    std::string name;
    int code;
    std::string message;
  };
  rig.dir.write("empty.BIN", "");
  rig.dir.write("noext", "x");
  const Case cases[] = {
      {"noext", DfLoadExtension, "Datenfile Extension ungültig "_l1},
      {"empty.BIN", DfLoadMissing, "File not available"},
      {"missing.DAT", DfLoadMissing, "File not available"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rig.load(rig.dir.file(c.name)), c.code) << c.name;
    EXPECT_EQ(rig.model.sampleCount(), 2) << c.name; // untouched
    EXPECT_EQ(rig.ui.popups().back(), "File - Open|" + c.message + " : " + std::to_string(c.code) +
                                          "\n" + rig.files.filePath());
  }
  rig.files.state().dataFileName.clear();
  EXPECT_EQ(rig.files.loadDataSetReport(1), DfLoadNoName);
  EXPECT_EQ(rig.ui.popups().back(),
            "File - Open|Datafile name incorrect  : -1330\n" + rig.files.filePath());
}

TEST(Loading, CorruptFilesFailWithTheReadMessageAndAReason) {
  HandlerRig rig(0);
  const auto p = rig.dir.write("C.BIN", std::string("\x03\0\0\0\x40\0\0\0", 8));
  EXPECT_EQ((std::tuple{rig.load(p), rig.files.isLoaded(), rig.ui.popups().back(),
                        rig.logged("Die Datensatzdatei endet vor den angekündigten Daten"_l1),
                        rig.recorded(DfBinaryRead), rig.hooks.calls.empty()}),
            (std::tuple{DfLoadRead, false,
                        "Datensatz laden|Fehler bei Laden des Datenfiles - Lesefehler : -1335\n" +
                            p.string(),
                        true, true, true}));
}

TEST(Loading, StopWhileLoading) {
  HandlerRig writer;
  const auto bin = writer.savedDataSet("P.BIN", 4, 1);
  HandlerRig rig;
  rig.ui.stopProgressAtUpdate = 2;
  EXPECT_EQ((std::tuple{rig.load(bin), rig.ui.popups().back(), rig.files.isLoaded()}),
            (std::tuple{UserStopped,
                        "File - Open|Laden des Datenfiles wurde mit Cancel abgebrochen", false}));
}

TEST(Loading, BackupAndGraphFailuresStillLoad) {
  HandlerRig writer;
  const auto p = writer.savedDataSet("B.BIN");
  HandlerRig rig;
  rig.hooks.refreshResult = -1900;
  rig.hooks.graphLoadResult = -2001;
  EXPECT_EQ((std::tuple{rig.load(p), rig.files.isLoaded()}), (std::tuple{0, true}));
  EXPECT_EQ(
      rig.ui.popups(),
      (std::vector<std::string>{
          "File - Open|Fehler bei Speichern der Backupfiles - Speichern wird fortgesetzt",
          "File - Open| Error when opening the Graphic file: " + p.string() + ", Error= -2001"}));
  EXPECT_TRUE(rig.recorded(DfLoadBackup) && rig.recorded(DfLoadGraph));
}

TEST(Loading, ValuesMissingFromTheDeviceListsAreReplacedAndLogged) {
  HandlerRig writer;
  test::buildDataSet(writer.model, 2, 2, {1});
  writer.model.dataSet()->samples[0].storages[0].range = 15.0;
  writer.model.dataSet()->samples[1].storages[1].area = 7.5;
  writer.model.dataSet()->samples[1].storages[0].area = 8.5;
  writer.files.setDataFile(writer.dir.file("V.BIN"));
  ASSERT_EQ(writer.files.saveDataSet(), 0);

  HandlerRig rig;
  rig.files.setDeviceNameSource([] { return std::string("Zarvik A"); });
  ASSERT_EQ(rig.load(writer.dir.file("V.BIN")), 0);
  EXPECT_EQ(rig.model.dataSet()->samples[0].storages[0].range, 10.0);
  EXPECT_TRUE(rig.logged("3 storage values not in the lists of device \"Zarvik A\" were "
                         "replaced by the first list entry (ranges, speeds, areas: 1, 0, 2)"));
}

TEST(Loading, NonFiniteValuesAndMissingSectionsAreLoggedOnce) {
  HandlerRig writer;
  const std::string full = test::TestDir::readFile(writer.savedDataSet("N.DAT", 2, 1));
  const std::string force = "Me\xDFwert = 0.125";
  std::string notFinite = full;
  notFinite.replace(notFinite.find(force), force.size(), "Me\xDFwert = nan");
  const std::pair<std::string, std::string> cases[] = {
      {full, ""},
      {notFinite, "1 measurements hold a force or area that is no finite"},
      {full.substr(0, full.find("[Probe-2/Lagerung-1]")),
       "incomplete; the first missing section is [Probe-2/Lagerung-1]"},
  };
  for (const auto& [content, line] : cases) {
    HandlerRig rig;
    ASSERT_EQ(rig.load(rig.dir.write("N.DAT", content)), 0);
    const auto notes = std::count_if(rig.log.lines.begin(), rig.log.lines.end(), [](auto& l) {
      return l.find("finite") != std::string::npos ||
             l.find("missing section") != std::string::npos;
    });
    EXPECT_EQ(notes, line.empty() ? 0 : 1) << rig.log.text;
    EXPECT_TRUE(line.empty() || rig.logged(line)) << rig.log.text;
  }
  // A binary file holds such values too; its load leaves no measurement marked as changed.
  writer.model.measurementAt(1, 0, 0)->force = std::nan("");
  writer.files.setDataFile(writer.dir.file("N.BIN"));
  ASSERT_EQ(writer.files.saveDataSet(), 0);
  HandlerRig rig;
  ASSERT_EQ(rig.load(writer.dir.file("N.BIN")), 0);
  const Measurement& m = *rig.model.measurementAt(1, 0, 0);
  EXPECT_EQ((std::tuple{true, 0u, 0u}),
            (std::tuple{rig.logged(cases[1].second), m.backupChanges, m.saveChanges}));
}

// ---- closing --------------------------------------------------------------------------------

TEST(Closing, WithoutTitleOrChangesNothingIsAsked) {
  HandlerRig rig;
  rig.savedDataSet("A.BIN");
  rig.change();
  rig.files.markLoaded();
  EXPECT_EQ(
      (std::tuple{rig.files.closeDataSet(std::nullopt), rig.model.hasDataSet(),
                  rig.files.isLoaded(), rig.hooks.calls}),
      (std::tuple{0, false, false, std::vector<std::string>{"graphFileCloseAll", "closeBackup"}}));

  rig.savedDataSet("B.BIN");
  EXPECT_EQ(rig.files.closeDataSet("Close Data Set"), 0);
  EXPECT_TRUE(rig.ui.shown.size() == 2u); // the two progress dialogs of the saves only
}

TEST(Closing, TheSaveQuestionAndItsAbort) {
  HandlerRig rig;
  rig.savedDataSet("Q.BIN");
  rig.change();
  rig.ui.askAnswers = {0}; // Abort
  const std::size_t from = rig.ui.shown.size();
  EXPECT_EQ(
      (std::tuple{rig.files.closeDataSet("Titel"), rig.model.hasDataSet(), rig.transcript(from)}),
      (std::tuple{ClearAborted, true,
                  "ask Titel|Data Set was changed!\n\nSave or Reject Changes\nbefore closing "
                  "the dataset!|Abort,Save\nDataset,Reject\nChanges\n"}));
}

TEST(Closing, SaveSavesThenCloses_RejectClosesWithoutSaving) {
  HandlerRig rig;
  const auto p = rig.savedDataSet("R.BIN");
  const std::string before = test::TestDir::readFile(p);
  rig.model.dataSet()->samples[0].name = "renamed";
  rig.change();
  rig.ui.askAnswers = {2}; // Reject
  EXPECT_EQ(rig.files.closeDataSet("t"), 0);
  EXPECT_EQ(test::TestDir::readFile(p), before);

  rig.savedDataSet("R.BIN");
  rig.model.dataSet()->samples[0].name = "renamed";
  rig.change();
  rig.ui.askAnswers = {1}; // Save
  EXPECT_EQ(rig.files.closeDataSet("t"), 0);
  EXPECT_FALSE(rig.model.hasDataSet());
  HandlerRig back;
  ASSERT_EQ(back.load(p), 0);
  EXPECT_EQ(back.model.dataSet()->samples[0].name, "renamed");
}

TEST(Closing, AFailedSaveKeepsTheDataSetOpen) {
  HandlerRig rig;
  const auto p = rig.savedDataSet("F.BIN");
  rig.change();
  rig.files.markLoaded();
  rig.fs.diskFullAfter(0);
  rig.ui.askAnswers = {1};
  EXPECT_EQ((std::tuple{rig.files.closeDataSet("t"), rig.model.hasDataSet(), rig.files.isLoaded(),
                        rig.model.isChanged() != 0}),
            (std::tuple{ClearSaveFailed, true, true, true}));
}

} // namespace
} // namespace zv
