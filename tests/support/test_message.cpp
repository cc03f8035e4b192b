#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_testdir.hpp"
#include "support/zv_message.hpp"

namespace zv {
namespace {

std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct ReportFixture : ::testing::Test {
  test::TestDir dir;
  test::FakeClock clock;
  ErrorLog errorLog{clock, dir.path()};
  test::ScriptedUi ui;
  test::RecordingLog log;
  Reporter reporter{errorLog, ui};
  std::string logFile() { return readFile(errorLog.path()); }
};

TEST_F(ReportFixture, FlagsAndKindDecidePopupLineAndRecord) {
  reporter.setLogTarget(&log);
  EXPECT_EQ(
      -7, reporter.reportMessage(report::PopupAndLog, report::KindNoPopup, "T", "kind three", -7));
  EXPECT_TRUE(ui.popups().empty());
  EXPECT_EQ(std::vector<std::string>{"kind three"}, log.lines);
  EXPECT_NE(std::string::npos, logFile().find("kind three"));

  reporter.reportMessage(report::Popup, 0, "Title", "popup only", 1);
  EXPECT_EQ(std::vector<std::string>{"Title|popup only"}, ui.popups());
  EXPECT_EQ(1u, log.lines.size());

  reporter.reportMessage(report::LogOnly, 0, "", "log only", 2);
  EXPECT_EQ(1u, ui.popups().size());
  EXPECT_EQ("log only", log.lines.back());
}

TEST_F(ReportFixture, AbsentTitleGivesNeitherRecordNorPopup) {
  reporter.setLogTarget(&log);
  reporter.reportMessage(report::PopupAndLog, 0, std::nullopt, "no title", -1);
  EXPECT_TRUE(ui.popups().empty());
  EXPECT_EQ(std::vector<std::string>{"no title"}, log.lines);
  EXPECT_FALSE(std::filesystem::exists(errorLog.path()));
}

TEST_F(ReportFixture, EmptyTitleCountsAsPresent) {
  reporter.reportMessage(report::Popup, 0, "", "shown", 0);
  EXPECT_EQ(std::vector<std::string>{"|shown"}, ui.popups());
  EXPECT_TRUE(std::filesystem::exists(errorLog.path()));
}

TEST_F(ReportFixture, ReportsBeforeTheLogWindowReachNoWindow) {
  reporter.reportMessage(report::PopupAndLog, 0, "", "early", 0);
  reporter.setLogTarget(&log);
  EXPECT_TRUE(log.lines.empty());
  EXPECT_EQ(1u, ui.popups().size());
}

TEST_F(ReportFixture, RecordsStayOneLineEach) {
  errorLog.reportError(-1314, 5, "File - Save", "two\nlines\tand tab");
  errorLog.reportError(-1, 0, "", "");
  const std::string text = logFile();
  EXPECT_EQ(2, std::count(text.begin(), text.end(), '\n'));
  EXPECT_NE(std::string::npos, text.find("\t-1314\t5\tFile - Save\ttwo\\nlines\\tand tab\r\n"));
}

TEST_F(ReportFixture, PathNamingAFileKeepsItsName) {
  errorLog.setPath(dir.path() / "sub" / "zarviklog.txt");
  errorLog.setName("ZarvikLog.TXT");
  EXPECT_EQ(dir.path() / "sub" / "zarviklog.txt", errorLog.path());
  errorLog.reportError(-3, 0, "", "created on demand");
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "sub" / "zarviklog.txt"));
}

TEST_F(ReportFixture, DirectoryPathTakesTheNameAndCaseNeverMakesASecondFile) {
  errorLog.setPath(dir.path());
  errorLog.setName("ZarvikLog.TXT");
  EXPECT_EQ(dir.path() / "zarviklog.txt", errorLog.path());
  errorLog.setName("other.log");
  EXPECT_EQ(dir.path() / "other.log", errorLog.path());
}

} // namespace
} // namespace zv
