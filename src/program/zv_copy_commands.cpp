#include "program/zv_copy_commands.hpp"

#include <functional>
#include <new>

#include "platform/zv_latin1.hpp"
#include "program/zv_program.hpp"
#include "program/zv_program_report.hpp"

namespace zv {

namespace {

const TextPair copyTableTitle{"Copying the Order Table", "Kopieren der Auftragstabelle"};
const TextPair copyDataTitle{"Copying the Data Table", "Kopieren der Datentabelle"};
const TextPair copyReportTitle{"Copying ZARVIK Report", "Kopieren ZARVIK Report"};
const TextPair notExecuted{"Function couldn't be executed",
                           "Funktion konnte nicht ausgeführt werden"_l1};

using Builder = std::function<int(char separator, std::string& text)>;

int copyToClipboard(Program& p, const TextPair& title, const Builder& build) {
  p.ui.setWaitCursor(true);
  const char separator = exportDecimalSeparator(p);
  std::string text;
  int r = 0;
  try {
    r = build(separator, text);
  } catch (const std::bad_alloc&) {
    r = ExportOutOfMemory;
  }
  if (r == 0)
    p.ui.setClipboardText(text);
  p.ui.setWaitCursor(false);
  if (r == 0)
    p.ui.popup(p.lang.pick(title), p.texts[GeneralText::CopiedToClipboard]);
  else
    p.reporter.reportMessage(report::LogOnly, report::KindNoPopup, p.lang.pick(title),
                             p.lang.pick(notExecuted), r);
  return r;
}

} // namespace

char exportDecimalSeparator(Program& p) {
  if (p.config.clipboard.OptKomma != 1)
    return '.';
  const char regional = p.ui.regionalDecimalSeparator();
  if (regional != ',')
    p.reporter.reportMessage(report::LogOnly, report::KindNoPopup, "Error", "Komma failed ,,,", 0);
  return regional != '\0' ? regional : '.';
}

int copyOrderTable(Program& p) {
  return copyToClipboard(p, copyTableTitle, [&p](char separator, std::string& text) {
    return orderTableText(p.data.model.dataSet(), p.data.model.bondTensionFactors(),
                          p.exportFormat(separator), exportWords(p.lang), text);
  });
}

int copyDataTable(Program& p) {
  return copyToClipboard(p, copyDataTitle, [&p](char separator, std::string& text) {
    return dataTableText(p.data.model.dataSet(), p.data.model.bondTensionFactors(),
                         p.exportFormat(separator), exportWords(p.lang), text);
  });
}

int copyReport(Program& p) {
  return copyToClipboard(p, copyReportTitle, [&p](char separator, std::string& text) {
    text = programReportText(reportValues(p, p.clock.now()), separator);
    return 0;
  });
}

} // namespace zv
