#include "ui/zv_dataset_options_dlg.hpp"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/zv_latin1.hpp"
#include "program/zv_dataset_options.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_dialog_buttons.hpp"
#include "ui/zv_dialogs.hpp"
#include "ui/zv_qt_ports.hpp"

namespace zv {

namespace {
const TextPair setupGroup{"Data Set Setup", "Datensatz Setup"};
const TextPair infoGroup{"Data Set Info", "Datensatz Info"};
const TextPair directoryText{"Directory for data sets and graphic",
                             "Verzeichnis für Messdaten und Graphik"_l1};
const TextPair selectionText{"Selection", "Auswählen"_l1};
const TextPair saveGraphText{"Save graphic data", "Graphikdaten speichern"};
const TextPair typeText{"Type of the date file", "Typ des Datenfiles"};
const TextPair binaryText{"Binary (*.BIN)", "Binär (*.BIN)"_l1};
const TextPair textText{"Text (*.DAT)", "Text (*.DAT)"};
// The shown-only fields, in the order of DataSetInfo.
const TextPair infoTexts[] = {
    {"Directory for restore files", "Verzeichnis der Sicherungsfiles"},
    {"Dataset Version", "Datensatz Version"},
    {"No. Samples", "Anzahl Proben"},
    {"No. Storages", "Anzahl Lagerungen"},
    {"No. Measurings", "Anzahl Messungen"},
    {"No. Plots", "Anzahl Plotkurven"},
    {"Data file", "Datenfile"},
    {"Graphic file", "Graphikfile"},
};
const char* infoNames[] = {"BACKUP_DIR",   "DATA_CODE", "SAMPLES",   "STORAGES",
                           "MEASUREMENTS", "PLOTS",     "DATA_FILE", "GRAPH_FILE"};
} // namespace

DataSetOptionsDialog::DataSetOptionsDialog(Program& program, QWidget* parent)
    : QDialog(parent), program_(program) {
  setObjectName("OPT_DATA");
  const Language& lang = program_.lang;
  setWindowTitle(programTitled(program_, DataSetOptionsTitle));
  const DataSetOptions options = dataSetOptions(program_);
  auto* layout = new QVBoxLayout(this);

  auto* setup = new QGroupBox(pick(lang, setupGroup), this);
  auto* grid = new QGridLayout(setup);
  grid->addWidget(new QLabel(pick(lang, directoryText), setup), 0, 0, 1, 2);
  directory_ = new QLineEdit(fromPath(options.directory), setup);
  directory_->setObjectName("DIRECTORY");
  directory_->setMinimumWidth(directory_->fontMetrics().averageCharWidth() * 50);
  grid->addWidget(directory_, 1, 0);
  QPushButton* select = dialogButton("SELECT", setup);
  select->setText(pick(lang, selectionText));
  connect(select, &QPushButton::clicked, this, &DataSetOptionsDialog::selectDirectory);
  grid->addWidget(select, 1, 1);
  saveGraph_ = new QCheckBox(pick(lang, saveGraphText), setup);
  saveGraph_->setObjectName("SAVE_GRAPH");
  saveGraph_->setChecked(options.saveGraph);
  grid->addWidget(saveGraph_, 2, 0, 1, 2);
  auto* typeRow = new QHBoxLayout;
  typeRow->addWidget(new QLabel(pick(lang, typeText), setup));
  const TextPair* typeLabels[] = {&binaryText, &textText};
  const char* typeNames[] = {"TYPE_BIN", "TYPE_DAT"};
  for (std::size_t i = 0; i < type_.size(); ++i) {
    type_[i] = new QRadioButton(pick(lang, *typeLabels[i]), setup);
    type_[i]->setObjectName(typeNames[i]);
    type_[i]->setChecked(options.dataWrtTypeSelect == static_cast<int>(i));
    type_[i]->setEnabled(options.typeEditable);
    typeRow->addWidget(type_[i]);
  }
  typeRow->addStretch(1);
  grid->addLayout(typeRow, 3, 0, 1, 2);
  layout->addWidget(setup);

  auto* infoBox = new QGroupBox(pick(lang, infoGroup), this);
  auto* form = new QFormLayout(infoBox);
  for (std::size_t i = 0; i < info_.size(); ++i) {
    info_[i] = new QLabel(infoBox);
    info_[i]->setObjectName(infoNames[i]);
    info_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(pick(lang, infoTexts[i]), info_[i]);
  }
  layout->addWidget(infoBox);
  showInfo();

  const OkAbortRow buttons = okAbortRow(this);
  buttons.ok->setText(QString::fromLatin1(program_.texts[GeneralText::Ok]));
  buttons.abort->setText(QString::fromLatin1(program_.texts[GeneralText::Abort]));
  connect(buttons.ok, &QPushButton::clicked, this, &DataSetOptionsDialog::acceptValues);
  connect(buttons.abort, &QPushButton::clicked, this, &QDialog::reject);
  layout->addLayout(buttons.row);
}

void DataSetOptionsDialog::showInfo() {
  const DataSetInfo info = dataSetInfo(program_);
  const std::string* paths[] = {&info.backupDirectory, &info.dataFilePath, &info.graphFilePath};
  const std::string* numbers[] = {&info.dataCode, &info.samples, &info.storages, &info.measurements,
                                  &info.plots};
  info_[0]->setText(fromPath(*paths[0]));
  for (std::size_t i = 0; i < 5; ++i)
    info_[i + 1]->setText(QString::fromStdString(*numbers[i]));
  info_[6]->setText(fromPath(*paths[1]));
  info_[7]->setText(fromPath(*paths[2]));
}

void DataSetOptionsDialog::selectDirectory() {
  if (const auto chosen = chooseDataDirectory(program_, toPath(directory_->text())))
    directory_->setText(fromPath(*chosen));
  showInfo();
}

void DataSetOptionsDialog::acceptValues() {
  DataSetOptions options = dataSetOptions(program_);
  options.directory = toPath(directory_->text());
  options.saveGraph = saveGraph_->isChecked();
  options.dataWrtTypeSelect = type_[1]->isChecked() ? 1 : 0;
  if (applyDataSetOptions(program_, options))
    accept();
}

} // namespace zv
