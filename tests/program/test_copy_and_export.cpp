// Edit > Copy Table, Edit > Copy Data and Help > Copy Report as whole flows: the clipboard gets
// the text, the popup says so, the decimal comma follows "Kommaoption", failures only log. And
// File > Export CSV... and File > Export Report... (below).
#include <gtest/gtest.h>

#include <fstream>

#include "common/zv_program_rig.hpp"
#include "platform/zv_latin1.hpp"
#include "program/zv_copy_commands.hpp"
#include "program/zv_program.hpp"
#include "program/zv_program_report.hpp"
#include "program/zv_report_commands.hpp"

namespace zv {
namespace {

struct CopyFixture : ::testing::Test, test::ProgramRig {
  Program& p = *program;
  // One sample "P1" of storages "L1" (forces 1 and 2 on area 1) and "L2" (none On).
  void smallDataSet() {
    DataSet& d = dataSet(1, 2); // named P1, L1 and L2 by the renumbering
    model().addMeasurements(0, 0, 2);
    model().renumber();
    d.samples[0].storages[0].evaluation = "AU";
    for (int k = 0; k < 2; ++k) {
      Measurement& m = d.samples[0].storages[0].measurements[static_cast<std::size_t>(k)];
      m.force = k + 1.0;
      m.area = 1.0;
      m.inStatistics = 1;
    }
    d.samples[0].storages[1].measurements[0].inStatistics = 0;
    p.data.files.markLoaded();
  }
};

TEST_F(CopyFixture, TablesReachTheClipboardWithPointOrRegionalComma) {
  smallDataSet();
  p.config.clipboard.OptKomma = 0;
  p.config.clipboard.ResultWidth = 5;
  ASSERT_EQ(copyDataTable(p), 0);
  EXPECT_EQ(ui.clipboard, "Storage\tSample\tNumber\tMean\tSA+-\tVB+-\tMeasuring\n"
                          "L1\tP1\t   2\t 1.50\t 0.71\t 6.35\t 1.00\t 2.00\n"
                          "L2\tP1\t   0\t 0.00\t 0.00\t 0.00\n");
  EXPECT_EQ(ui.popups(), (std::vector<std::string>{
                             "Copying the Data Table|All data were copied to the clipboard\n"
                             "(SHIFT-INS)"}));

  p.setLanguage(0);
  p.config.clipboard.OptKomma = 1; // the regional settings say ","
  ASSERT_EQ(copyOrderTable(p), 0);
  EXPECT_EQ(ui.clipboard,
            "Probe\tL1\t\t\t\t\tL2\n"
            "\tN/mm2\tSA+-\tVB+-\tAnzahl\tAusriss\tN/mm2\tSA+-\tVB+-\tAnzahl\tAusriss\n"
            "P1\t 1,50\t 0,71\t 6,35\t   2\tAU\t 0,00\t 0,00\t 0,00\t   0\t");
  EXPECT_EQ(ui.popups().back(), "Kopieren der Auftragstabelle|Alle Daten wurden in die "
                                "WINDOWS-Zwischenablage kopiert\n(SHIFT-INS)");
  EXPECT_TRUE(log.lines.empty());
}

TEST_F(CopyFixture, ReportHasEveryLineAndTheGraphLineOnlyWhileAGraphFileIsOpen) {
  p.executableDirectory = "/opt/zarvik";
  p.logFilePath = dir.path() / "zarviklog.txt";
  p.config.clipboard.OptKomma = 0;
  p.meas.params.serialNumber = 0x1A2B;
  p.meas.params.deviceName = "Dev1";
  p.meas.params.forceLimit = 1.25;
  const std::tm t = localTime(clock.now());
  const std::string stamp = std::to_string(t.tm_mday) + "." + std::to_string(t.tm_mon + 1) + "." +
                            std::to_string(t.tm_year + 1900) + "-" + std::to_string(t.tm_hour) +
                            ":" + std::to_string(t.tm_min) + ":" + std::to_string(t.tm_sec);
  // The program's own folders and files, in the system's spelling.
  const auto d = [&](const char* name) { return (dir.path() / name).string(); };
  const auto folder = [&](const char* name) { return (dir.path() / name / "").string(); };
  const std::string expected =
      "\nReport - ZARVIK 2012 - " + stamp +
      "\n"
      "Program - Version=  6. 4\n"
      "Program - Datacode=     3\n"
      "Program - Installationsverzeichnis= /opt/zarvik\n"
      "Program - Version zo_raz.dll= ZARVIK.BAK 1\n"
      "Files - Backup Verzeichnis= " +
      folder("Backup") + "\n" + "Files - Temporäres Graphik File= "_l1 + folder("Graph") + "\n" +
      "Files - INI File= " + d("ZARVIK.INI") + "\n" + "Files - Log File= " + d("zarviklog.txt") +
      "\n"
      "Options - OptKomma= 0 TablePrec= 2 NumberWidth= 4 ResultWidth= 12\n"
      "Options - MaxProbe= 20 MaxLag= 20 MaxMess= 10\n"
      "Hardware - DAQPAD6015 is defined\n"
      "Hardware - Device= 1 DeviceName= Dev1 Serno= 1A2B Version= --- Product= --\n"
      "Messung - Device 1 Name= --- Serno= 000 Path= \n"
      "Messung - Device 2 Name= --- Serno= 000 Path= \n"
      "Messung - hardChn= 0 sampleRate= 100 average= 10 gphPoints= 10000 nSpikeNum= 3 "
      "dSpikeLim=    1.000\n"
      "Messung - dTrigDiffTime=    0.500 dPostTrigTime=    0.200 startProzent=   50.000 "
      "startTime=    0.500 stopProzent=   10.000 stopTime=    1.000\n"
      "Messung - forceLimit=   1.250 forcLimitRelVal=   10.000 forcLimitEnable= 0 "
      "unit_press= [kN/mm2] offset_press=    0.000 gain_press=    1.000\n"
      "Messung - UnitForce= [kN] UnitAreas= [mm2] UnitVeloc= [N/s] UnitTimes= [sec] "
      "UnitDaq= [Volt]\n"
      "Dataset - dataWrtTypeSelect= 0 saveGraph= 1 DataFilePath= \n";
  ASSERT_EQ(copyReport(p), 0);
  EXPECT_EQ(ui.clipboard, expected);
  EXPECT_EQ(ui.popups().back(), "Copying ZARVIK Report|All data were copied to the clipboard\n"
                                "(SHIFT-INS)");

  // A data set with a curve, saved and loaded again: its graph file is open.
  smallDataSet();
  Measurement& m = *p.data.model.measurementAt(0, 0, 0);
  allocPoints(m, 3);
  const auto file = dir.file("R.BIN");
  p.data.files.setDataFile(file);
  ASSERT_EQ(p.data.files.saveDataSet(), 0);
  ASSERT_EQ(p.data.files.loadDataSetReport(0), 0);
  const std::string text = programReportText(reportValues(p, clock.now()), ',');
  EXPECT_NE(text.find("dSpikeLim=    1,000\n"), std::string::npos);
  EXPECT_NE(text.find("DataFilePath= " + file.string() + "\nDataset - GraphPath= " + file.string() +
                      ".GRF - DataPath= " + file.string() + "\n"),
            std::string::npos)
      << text;
}

// File > Export CSV... and File > Export Report... as flows: the file dialog, the question
// before an existing file is replaced, the file written whole, and the popups of both
// outcomes. The PDF itself is the window layer's; here a stand-in makes its bytes.

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
}

} // namespace
} // namespace zv
