#include "program/zv_report_commands.hpp"

#include <new>

#include "platform/zv_file_replacement.hpp"
#include "platform/zv_latin1.hpp"
#include "platform/zv_path_bytes.hpp"
#include "program/zv_copy_commands.hpp"
#include "program/zv_program.hpp"
#include "support/zv_system_error.hpp"
#include "support/zv_text_pattern.hpp"

namespace zv {

namespace {

const TextPair reportTitle{"Export Report", "Bericht exportieren"};
const TextPair csvTitle{"Export CSV", "CSV exportieren"};
const TextPair existsText{"File -%s-\n exists", "Datei -%s-\n vorhanden"};
const TextPair replaceButton{"Overwriting", "Überschreiben"_l1};
const TextPair otherButton{"Choosing new file", "Neue Datei wählen"_l1};
const TextPair abortButton{"Abort", "Abbrechen"};
const TextPair writtenText{"Written to %s", "Geschrieben nach %s"};
const TextPair notWrittenText{"Could not write %s", "Konnte %s nicht schreiben"};
const TextPair noDataSetText{"No data set is loaded", "Kein Datensatz geladen"};
const TextPair notBuiltText{"The report could not be made",
                            "Der Bericht konnte nicht erstellt werden"};

struct ExportKind {
  const TextPair& title;
  const char* extension; // also the dialog's pattern
};

std::filesystem::path defaultStart(const Program& p) {
  const DataFileState& s = p.data.files.state();
  return pathFromBytes(s.fileDirectory.empty() ? s.dataDirectory : s.fileDirectory);
}

std::string defaultName(const Program& p, const char* extension) {
  const std::string& file = p.data.files.state().dataFileName;
  const std::string stem = file.empty() ? "Report" : pathBytes(pathFromBytes(file).stem());
  return stem + extension;
}

// The file to write, asking before an existing one is replaced; nullopt when cancelled.
std::optional<std::filesystem::path> chooseTarget(Program& p, const ExportKind& kind) {
  FileDialogSpec spec;
  spec.mode = FileDialogSpec::Mode::Save;
  spec.title = p.lang.pick(kind.title);
  spec.startDirectory = defaultStart(p);
  spec.defaultName = defaultName(p, kind.extension);
  spec.filter = std::string("*") + kind.extension;
  for (;;) {
    const auto answer = p.ui.chooseFile(spec);
    if (!answer || answer->empty())
      return std::nullopt;
    std::filesystem::path file = *answer;
    if (file.extension().empty())
      file += kind.extension;
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
      return file;
    const int choice = p.ui.ask(
        p.lang.pick(kind.title), fillIn(p.lang.pick(existsText), pathText(pathBytes(file))),
        {p.lang.pick(replaceButton), p.lang.pick(otherButton), p.lang.pick(abortButton)}, 0, 2);
    if (choice == 0)
      return file;
    if (choice != 1)
      return std::nullopt;
    spec.startDirectory = file.parent_path();
    spec.defaultName = pathBytes(file.filename());
  }
}

int fail(Program& p, const ExportKind& kind, int code, const std::string& text) {
  p.reporter.reportMessage(report::PopupAndLog, 0, p.lang.pick(kind.title), text, code);
  return code;
}

using Maker = std::function<bool(const TestReport&, std::string& bytes)>;

int exportFile(Program& p, const ExportKind& kind, const Maker& make) {
  if (!p.data.model.dataSet())
    return fail(p, kind, ReportNoDataSet, p.lang.pick(noDataSetText));
  const auto target = chooseTarget(p, kind);
  if (!target)
    return 1;
  p.ui.setWaitCursor(true);
  std::string bytes;
  bool made = false;
  try {
    made = make(programTestReport(p), bytes);
  } catch (const std::bad_alloc&) {
    made = false;
  }
  ReplaceResult written;
  if (made)
    written = replaceFile(*p.fileSystem, *target, ReplaceOptions{}, [&](FileWriter& out) {
      out.write(bytes.data(), bytes.size());
      return std::error_code();
    });
  p.ui.setWaitCursor(false);
  if (!made)
    return fail(p, kind, ReportBuildFailed, p.lang.pick(notBuiltText));
  if (!written.ok())
    return fail(p, kind, ReportWriteFailed,
                fillIn(p.lang.pick(notWrittenText), pathText(target->string())) + "\n" +
                    fileErrorText(written.error, p.lang));
  p.ui.popup(p.lang.pick(kind.title), fillIn(p.lang.pick(writtenText), pathText(target->string())));
  return 0;
}

} // namespace

ReportTester reportTesterOf(const TesterDevice& d) {
  return {d.name, d.serialNumber, d.pistons};
}

TestReport programTestReport(Program& p) {
  const ReportTester testers[2] = {reportTesterOf(*p.meas.devices.device(0)),
                                   reportTesterOf(*p.meas.devices.device(1))};
  ReportSources s;
  s.factors = p.data.model.bondTensionFactors();
  s.limits = p.config.report.limits;
  s.bondUnit = p.meas.params.unit_press;
  s.forceDecimals = p.displayDecimals();
  s.tensionDecimals = p.statisticsFormat().decimals;
  s.testers[0] = &testers[0];
  s.testers[1] = &testers[1];
  s.loadCurve = [&p](Measurement& m) { p.data.readCurve(m); };
  s.madeAt = p.clock.now();
  return buildTestReport(*p.data.model.dataSet(), s);
}

int exportCsv(Program& p) {
  static const ExportKind kind{csvTitle, ".csv"};
  const char separator = exportDecimalSeparator(p);
  return exportFile(p, kind, [&p, separator](const TestReport& r, std::string& bytes) {
    bytes = testReportCsv(r, p.lang, separator);
    return true;
  });
}

int exportReport(Program& p, const PdfMaker& makePdf) {
  static const ExportKind kind{reportTitle, ".pdf"};
  return exportFile(p, kind, [&p, &makePdf](const TestReport& r, std::string& bytes) {
    return makePdf && makePdf(r, p.lang, p.config.report.paper, bytes);
  });
}

} // namespace zv
