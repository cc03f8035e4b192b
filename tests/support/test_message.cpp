#include <gtest/gtest.h>

#include "common/zv_reporting.hpp"

namespace zv {
namespace {

struct ReportFixture : ::testing::Test, test::Reporting {};

TEST_F(ReportFixture, FlagsKindAndTitleDecidePopupLineAndRecord) {
  EXPECT_EQ(
      -7, reporter.reportMessage(report::PopupAndLog, report::KindNoPopup, "T", "kind three", -7));
  reporter.reportMessage(report::Popup, 0, "Title", "popup only", 1);
  reporter.reportMessage(report::LogOnly, 0, "", "log only", 2);
  EXPECT_EQ(std::vector<std::string>{"Title|popup only"}, ui.popups());
  EXPECT_EQ((std::vector<std::string>{"kind three", "log only"}), log.lines);
  EXPECT_NE(std::string::npos, errorLogText().find("kind three"));
}

TEST_F(ReportFixture, AbsentTitleGivesNeitherRecordNorPopup) {
  reporter.reportMessage(report::PopupAndLog, 0, std::nullopt, "no title", -1);
  EXPECT_TRUE(ui.popups().empty());
  EXPECT_EQ(std::vector<std::string>{"no title"}, log.lines);
  EXPECT_FALSE(std::filesystem::exists(errorLog.path()));
}

TEST_F(ReportFixture, LogFileNameAndCase) {
  // A path naming a file keeps its name; the file is created on demand.
  errorLog.setPath(dir.path() / "sub" / "zarviklog.txt");
  errorLog.setName("ZarvikLog.TXT");
  EXPECT_EQ(dir.path() / "sub" / "zarviklog.txt", errorLog.path());
  errorLog.reportError(-3, 0, "", "created on demand");
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "sub" / "zarviklog.txt"));
  // A directory takes the name; a name differing in case only never makes a second file.
  errorLog.setPath(dir.path());
  errorLog.setName("ZarvikLog.TXT");
  EXPECT_EQ(dir.path() / "zarviklog.txt", errorLog.path());
  errorLog.setName("other.log");
  EXPECT_EQ(dir.path() / "other.log", errorLog.path());
}

} // namespace
} // namespace zv
