#include "ui/zv_units_dlg.hpp"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/zv_latin1.hpp"
#include "ui/zv_decimal_spinbox.hpp"
#include "ui/zv_dialog_buttons.hpp"
#include "ui/zv_dialogs.hpp"
#include "ui/zv_qt_ports.hpp"

namespace zv {

namespace {
const TextPair dialogTitle{"Setup - Bond Tension Calculation", "Setup - Haftzug Berechnung"};
const TextPair forceText{"Force", "Kraft"};
const TextPair areaText{"Area", "Fläche"_l1};
const TextPair tensionText{"Tension", "Haftzug"};
const TextPair factorsText{"Conversion factors for Bond Tension",
                           "Umrechnungsfaktoren für Haftzug"_l1};
const TextPair unitGroupText{"Physical Unit of Bond Tension", "Physikal. Einheit des Haftzugs"};
const TextPair offsetText{"Offset", "Offset"};
const TextPair gainText{"Gain", "Multiplikator"};
const TextPair unitText{"Physical Unit", "Physikalische Einheit"};
const TextPair notLatin1{
    "The unit holds a character that cannot be stored. Please use other characters.",
    "Die Einheit enthält ein Zeichen, das nicht gespeichert werden kann. Bitte andere Zeichen verwenden."_l1};

QDoubleSpinBox* factorField(QWidget* parent, const char* name, double value) {
  auto* box = new DecimalSpinBox(parent);
  box->setObjectName(name);
  box->setDecimals(6);
  box->setRange(-1e9, 1e9);
  box->setValue(value);
  box->setProperty("shown", box->value());
  return box;
}

double taken(const QDoubleSpinBox* box, double original) {
  return box->value() == box->property("shown").toDouble() ? original : box->value();
}
} // namespace

UnitsSetupDialog::UnitsSetupDialog(Program& program, QWidget* parent)
    : QDialog(parent), program_(program), shown_(unitsSetupValues(program.meas.params)) {
  setObjectName("SETUP_UNITS");
  setWindowTitle(programTitled(program_, dialogTitle));
  auto* layout = new QVBoxLayout(this);

  // What the conversion does: tension = offset + force / area * gain.
  auto* formula = new QGridLayout;
  formula->addWidget(new QLabel(pick(program_.lang, forceText) + " [kN]", this), 0, 0);
  formula->addWidget(new QLabel(pick(program_.lang, areaText) + " [mm2]", this), 0, 1);
  auto* tension =
      new QLabel(pick(program_.lang, tensionText) + " " + fromLatin1(shown_.unit), this);
  tension->setObjectName("TENSION");
  formula->addWidget(tension, 0, 2);
  layout->addLayout(formula);

  auto* factors = new QGroupBox(pick(program_.lang, factorsText), this);
  auto* grid = new QGridLayout(factors);
  offset_ = factorField(factors, "OFFSET", shown_.offset);
  gain_ = factorField(factors, "GAIN", shown_.gain);
  grid->addWidget(new QLabel(pick(program_.lang, offsetText), factors), 0, 0);
  grid->addWidget(offset_, 0, 1);
  grid->addWidget(new QLabel(pick(program_.lang, gainText), factors), 1, 0);
  grid->addWidget(gain_, 1, 1);
  layout->addWidget(factors);

  auto* unitBox = new QGroupBox(pick(program_.lang, unitGroupText), this);
  auto* unitGrid = new QGridLayout(unitBox);
  unit_ = new QLineEdit(fromLatin1(shown_.unit), unitBox);
  unit_->setObjectName("UNIT");
  unit_->setMaxLength(static_cast<int>(measfield::UnitPress) - 1);
  unitGrid->addWidget(new QLabel(pick(program_.lang, unitText), unitBox), 0, 0);
  unitGrid->addWidget(unit_, 0, 1);
  layout->addWidget(unitBox);

  auto* buttons = okAbortButtons(*this, program_.texts);
  connect(buttons, &QDialogButtonBox::accepted, this, &UnitsSetupDialog::acceptValues);
  layout->addWidget(buttons);
}

void UnitsSetupDialog::acceptValues() {
  const QString unit = unit_->text();
  for (QChar c : unit)
    if (c.unicode() > 0xFF) {
      program_.ui.popup("", program_.lang.pick(notLatin1));
      return;
    }
  UnitsSetupValues v;
  v.offset = taken(offset_, shown_.offset);
  v.gain = taken(gain_, shown_.gain);
  v.unit = toLatin1(unit);
  applyUnitsSetup(program_, v);
  accept();
}

} // namespace zv
