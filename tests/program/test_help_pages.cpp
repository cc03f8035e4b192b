// The message for a help page that is not there, in the language of the program (the window
// test opens the pages that are).
#include <gtest/gtest.h>

#include <fstream>

#include "common/zv_program_rig.hpp"
#include "program/zv_help_pages.hpp"
#include "program/zv_program.hpp"

namespace zv {
namespace {

struct HelpFixture : ::testing::Test, test::ProgramRig {
  Program& p = *program;
  HelpFixture() { p.helpDirectory = dir.path() / "help"; }
  void writePage(const char* language, const char* page) {
    std::filesystem::create_directories(p.helpDirectory / language);
    std::ofstream(p.helpDirectory / language / page) << "<html></html>";
  }
};

TEST_F(HelpFixture, AMissingPageIsNamedInTheLanguageOfTheProgram) {
  writePage("de", "index.html");
  p.setLanguage(1);
  EXPECT_EQ(p.callHtmlHelpFile(), -1);
  p.setLanguage(0);
  EXPECT_EQ(showHelp(p, {"files.html", ""}), -1);
  const auto page = [&](const char* language, const char* name) {
    return (p.helpDirectory / language / name).string(); // the platform's separators
  };
  EXPECT_EQ(ui.popups(), (std::vector<std::string>{
                             "Help|Help file not found: " + page("en", "index.html"),
                             "Hilfe|Hilfedatei nicht gefunden: " + page("de", "files.html")}));
  EXPECT_TRUE(ui.openedDocuments.empty());
}

} // namespace
} // namespace zv
