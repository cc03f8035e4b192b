// Options > Data Set without its window: what OK stores, what it refuses, and that the open
// data set keeps its file when the data directory changes.
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
