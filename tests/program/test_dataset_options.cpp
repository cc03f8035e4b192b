// Options > Data Set without its window: what OK stores, what it refuses, and that the open
// data set keeps its file when the data directory changes.
#include <gtest/gtest.h>

#include "common/zv_data_windows.hpp"
#include "common/zv_datafile_testkit.hpp"
#include "program/zv_dataset_options.hpp"
#include "program/zv_file_commands.hpp"
#include "program/zv_program.hpp"
#include "program/zv_workdir.hpp"

namespace zv {
namespace {

struct OptionsFixture : ::testing::Test {
  test::TestDir dir;
  test::ScriptedUi ui;
  test::FakeClock clock;
  MemoryRegistry registry{(dir.path() / "").string()};
  Program p{ui, clock, registry, dir.path() / "fallback" / ""};
  test::RecordingWindows windows;
  test::ScriptedDialogs dialogs;
  FileCommands commands{p, windows, dialogs};

  OptionsFixture() { p.startUp({"zarvik"}); }
};

TEST_F(OptionsFixture, OkStoresTheOptionsAndTheOpenDataSetKeepsItsFile) {
  EXPECT_EQ(dataSetInfo(p).samples, "");
  EXPECT_EQ(dataSetInfo(p).dataFilePath, "");
  test::buildDataSet(p.data.model, 2, 2, {1});
  const auto file = dir.file("KEEP.BIN");
  p.data.files.setDataFile(file);
  ASSERT_EQ(p.data.files.saveDataSet(), 0);
  p.data.files.markLoaded();
  EXPECT_EQ(dataSetInfo(p).samples, "2");
  EXPECT_EQ(dataSetInfo(p).graphFilePath, file.string() + ".GRF");

  const auto other = dir.path() / "other";
  std::filesystem::create_directory(other);
  DataSetOptions o = dataSetOptions(p);
  o.directory = other.string();
  o.saveGraph = false;
  o.dataWrtTypeSelect = 1;
  ASSERT_TRUE(applyDataSetOptions(p, o));
  EXPECT_EQ(p.data.files.state().saveGraph, 0);

  // Save writes the data set's own file, not one of the same name in the new directory.
  p.data.model.dataSet()->title = "saved";
  p.data.model.markTotalsChanged();
  ASSERT_EQ(commands.fileSave(), 0);
  EXPECT_FALSE(std::filesystem::exists(other / "KEEP.BIN"));
  EXPECT_NE(test::TestDir::readFile(file).find("saved"), std::string::npos);
  // Save As starts in the new directory and proposes the chosen type.
  ui.fileAnswers = {other / "KEEP.DAT"};
  ASSERT_EQ(commands.fileSaveAs(), 0);
  EXPECT_EQ(ui.fileDialogs.back().startDirectory, other);
  EXPECT_EQ(ui.fileDialogs.back().defaultName, "KEEP.DAT");
  EXPECT_EQ(test::TestDir::readFile(other / "KEEP.DAT").substr(0, 9), "[AUFTRAG]");
}

TEST_F(OptionsFixture, RefusesWhatCannotBeStored) {
  DataSetOptions o = dataSetOptions(p);
  o.directory = std::string(260, 'd');
  EXPECT_FALSE(applyDataSetOptions(p, o));
  EXPECT_EQ(p.data.files.state().dataDirectory, "");
  EXPECT_EQ(ui.popups().size(), 1u);

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
