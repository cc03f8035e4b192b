#include "ui/zv_program_info_dlg.hpp"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/zv_latin1.hpp"
#include "program/zv_program.hpp"
#include "program/zv_program_report.hpp"
#include "ui/zv_dialog_buttons.hpp"
#include "ui/zv_dialogs.hpp"
#include "ui/zv_qt_ports.hpp"

namespace zv {

namespace {
const TextPair dialogTitle{"Help - Program Info", "Hilfe - Programm Info"};
const TextPair filesGroup{"Files", "Dateien"};
const TextPair clipboardGroup{"Clipboard", "Zwischenablage"};
const TextPair iniText{"Filepath INI File", "Dateipfad INI File"};
const TextPair logText{"Filepath Protokoll File", "Dateipfad Protokoll File"};
const TextPair backupText{"Directory Backup", "Verzeichnis Backup"};
const TextPair graphText{"Filepath Temp Graph", "Dateipfad Temporär Graphik"_l1};
const TextPair versionText{"Version ZO_RAZ.DLL", "Version ZO_RAZ.DLL"};
const TextPair commaText{"Decimal comma (OptKomma)", "Dezimalkomma"};
const TextPair precText{"Decimals (TablePrec)", "Nachkommastellen"};
const TextPair numberText{"Width of integers (NumberWidth)", "Breite ganzer Zahlen"};
const TextPair resultText{"Width of decimal numbers (ResultWidth)", "Breite der Dezimalzahlen"};

QLabel* value(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}
} // namespace

ProgramInfoDialog::ProgramInfoDialog(const Program& program, QWidget* parent) : QDialog(parent) {
  setObjectName("OPT_PROGRAM");
  const Language& lang = program.lang;
  setWindowTitle(programTitled(program, dialogTitle));
  const ReportValues v = reportValues(program, program.clock.now());
  auto* layout = new QVBoxLayout(this);

  auto* files = new QGroupBox(pick(lang, filesGroup), this);
  auto* fileForm = new QFormLayout(files);
  fileForm->addRow(pick(lang, iniText), value(fromPath(v.configPath), "INI_FILE", files));
  fileForm->addRow(pick(lang, logText), value(fromPath(v.logFilePath), "LOG_FILE", files));
  fileForm->addRow(pick(lang, backupText), value(fromPath(v.backupDirectory), "BACKUP_DIR", files));
  fileForm->addRow(pick(lang, graphText), value(fromPath(v.graphDirectory), "TEMP_GRAPH", files));
  fileForm->addRow(pick(lang, versionText), value(fromLatin1(v.supportVersion), "VERSION", files));
  layout->addWidget(files);

  auto* clipboard = new QGroupBox(pick(lang, clipboardGroup), this);
  auto* clipForm = new QFormLayout(clipboard);
  const ClipboardSettings& c = v.clipboard;
  const std::pair<const TextPair*, std::pair<int, const char*>> numbers[] = {
      {&commaText, {c.OptKomma, "OPT_KOMMA"}},
      {&precText, {c.TablePrec, "TABLE_PREC"}},
      {&numberText, {c.NumberWidth, "NUMBER_WIDTH"}},
      {&resultText, {c.ResultWidth, "RESULT_WIDTH"}}};
  for (const auto& [caption, field] : numbers)
    clipForm->addRow(pick(lang, *caption),
                     value(QString::number(field.first), field.second, clipboard));
  layout->addWidget(clipboard);

  auto* row = new QHBoxLayout;
  row->addStretch(1);
  QPushButton* ok = dialogButton("OK", this);
  ok->setText(QString::fromLatin1(program.texts[GeneralText::Ok]));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  row->addWidget(ok);
  layout->addLayout(row);
}

} // namespace zv
