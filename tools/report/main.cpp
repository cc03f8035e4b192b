// zarvik-report: the test report of a data set file as a PDF, from the command line.
//   zarvik-report FILE --pdf OUT [--config ZARVIK.INI] [--lang de|en] [--paper a4|letter]
// The graph file beside FILE gives the curves. Language and paper default to the
// configuration's. No display is needed: without a Qt platform named in QT_QPA_PLATFORM the
// offscreen one is used.
#include <QGuiApplication>

#include <CLI/CLI.hpp>
#include <iostream>

#include "platform/zv_huge_page_heap.hpp"
#include "ui/zv_report_pdf.hpp"
#include "zv_tool.hpp"

int main(int argc, char** argv) {
  zv::restartWithHugePageHeap(argv);
  CLI::App app{"zarvik-report: write the test report of a data set file (.BIN, .DAT) as PDF"};
  std::string file, pdf, config, lang, paper;
  app.add_option("FILE", file, "data set file to read")->required();
  app.add_option("--pdf", pdf, "PDF file to write")->required();
  app.add_option("--config", config, "configuration (ZARVIK.INI) to take limits and devices from");
  app.add_option("--lang", lang, "language of the report")->check(CLI::IsMember({"de", "en"}));
  app.add_option("--paper", paper, "paper size")->check(CLI::IsMember({"a4", "letter"}));
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);

  using namespace zv;
  const auto configPath =
      config.empty() ? std::nullopt : std::optional<std::filesystem::path>(config);
  return tool::withTestReport(
      file, configPath, std::cerr, [&](const TestReport& report, const tool::ToolSettings& s) {
        const Language language{lang.empty() ? s.config.language : lang == "en" ? 1 : 0};
        const PaperSize size = paper.empty()       ? s.config.report.paper
                               : paper == "letter" ? PaperSize::Letter
                                                   : PaperSize::A4;
        std::string bytes;
        if (!makeReportPdf(report, language, size, bytes)) {
          std::cerr << "zarvik-report: the PDF could not be made\n";
          return tool::ExitSave;
        }
        return tool::writeWhole(pdf, bytes, std::cerr);
      });
}
