#pragma once
// Setup > Bond Tension Calculation: offset, gain and unit of the bond tension.
#include <QDialog>

#include "program/zv_setup_meas.hpp"

class QDoubleSpinBox;
class QLineEdit;

namespace zv {

class UnitsSetupDialog final : public QDialog {
  Q_OBJECT
public:
  UnitsSetupDialog(Program& program, QWidget* parent = nullptr);

  // OK: a unit that Latin-1 cannot hold is refused with a message and the dialog stays;
  // otherwise the values are stored and the dialog closes.
  void acceptValues();

private:
  Program& program_;
  UnitsSetupValues shown_;
  QDoubleSpinBox* offset_;
  QDoubleSpinBox* gain_;
  QLineEdit* unit_;
};

} // namespace zv
