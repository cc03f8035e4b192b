// File > Export CSV... and File > Export Report... as flows: the file dialog, the question
// before an existing file is replaced, the file written whole, and the popups of both
// outcomes. The PDF itself is the window layer's; here a stand-in makes its bytes.
#include <gtest/gtest.h>

#include <fstream>

#include "common/zv_program_rig.hpp"
#include "program/zv_program.hpp"
#include "program/zv_report_commands.hpp"

namespace zv {
namespace {

// Keeps the buttons Return and Escape (and the close box) choose in each question.
struct KeyedUi : test::ScriptedUi {
  std::vector<std::pair<int, int>> keys;
  int ask(const std::string& title, const std::string& text,
          const std::vector<std::string>& buttons, int enter, int escape) override {
    keys.emplace_back(enter, escape);
    return ScriptedUi::ask(title, text, buttons, enter, escape);
  }
};

struct ReportFlow : ::testing::Test, test::ProgramRigWith<KeyedUi> {
  Program& p = *program;
  ReportFlow() {
    Measurement& m = dataSet(1, 1).samples[0].storages[0].measurements[0];
    std::tie(m.force, m.area) = std::tuple(2.0, 400.0);
  }
  static std::string read(const std::filesystem::path& f) { return test::TestDir::readFile(f); }
  const test::Shown& last() { return ui.shown.back(); }
};

TEST_F(ReportFlow, CsvGoesToTheChosenFileAndThePopupSaysWhere) {
  p.config.clipboard.OptKomma = 1;              // the regional comma: ';' between the fields
  ui.fileAnswers.push_back(dir.path() / "out"); // the extension is added
  EXPECT_EQ(exportCsv(p), 0);
  ASSERT_EQ(ui.fileDialogs.size(), 1u);
  EXPECT_EQ(std::tie(ui.fileDialogs[0].filter, ui.fileDialogs[0].title),
            std::tuple("*.csv", "Export CSV"));
  const std::string csv = read(dir.path() / "out.csv");
  EXPECT_NE(csv.find("Sample;Storage;No.;"), std::string::npos) << csv;
  EXPECT_NE(csv.find(";400;100;2;0,005;"), std::string::npos) << csv; // area to tension
  EXPECT_EQ(last().kind, "popup");
  EXPECT_NE(last().text.find("out.csv"), std::string::npos);
}

TEST_F(ReportFlow, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
  const auto target = dir.path() / "r.pdf";
  std::ofstream(target) << "old";
  auto maker = [](const TestReport& r, const Language&, PaperSize paper, std::string& bytes) {
    bytes = "PDF " + std::to_string(r.storages.size()) + (paper == PaperSize::A4 ? " A4" : "");
    return true;
  };
  ui.fileAnswers = {target, target};
  ui.askAnswers = {2, 0}; // Abort, then Overwriting
  EXPECT_EQ(exportReport(p, maker), 1);
  EXPECT_EQ(read(target), "old");
  EXPECT_EQ(exportReport(p, maker), 0);
  EXPECT_EQ(read(target), "PDF 1 A4");
  // Return overwrites; Escape and the close box never do.
  EXPECT_EQ(std::tuple(ui.shown[1].kind, ui.shown[1].buttons.size(), ui.keys),
            std::tuple("ask", 3u, std::vector<std::pair<int, int>>{{0, 2}, {0, 2}}));
}

TEST_F(ReportFlow, CancelWritesNothingAndFailuresAreToldAndLeaveNoFile) {
  ui.fileAnswers.push_back(std::nullopt);
  EXPECT_EQ(exportCsv(p), 1);
  EXPECT_EQ(ui.shown.size(), 1u); // only the dialog
  // The PDF could not be made.
  ui.fileAnswers.push_back(dir.path() / "x.pdf");
  EXPECT_EQ(exportReport(p, [](auto&, auto&, auto, std::string&) { return false; }),
            ReportBuildFailed);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "x.pdf"));
  EXPECT_EQ(last().text, "The report could not be made");
  // A directory that does not exist: the message names the file and the reason, in German.
  p.lang.language = 0;
  ui.fileAnswers.push_back(dir.path() / "none" / "y.csv");
  EXPECT_EQ(exportCsv(p), ReportWriteFailed);
  EXPECT_EQ(last().title, "CSV exportieren");
  EXPECT_NE(last().text.find("y.csv"), std::string::npos) << last().text;
  // Without a data set (the menu dims the items; a caller still gets a clear answer).
  p.data.model.deleteDataSet();
  EXPECT_EQ(exportCsv(p), ReportNoDataSet);
  EXPECT_EQ(last().text, "Kein Datensatz geladen");
}

} // namespace
} // namespace zv
