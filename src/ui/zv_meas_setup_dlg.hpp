#pragma once
// Setup > Measurement Parameters: channel, acquisition settings, spike filter, trigger and
// pull-off rules and the offset suppression.
#include <QDialog>
#include <array>

#include "program/zv_setup_meas.hpp"

class QCheckBox;
class QDoubleSpinBox;
class QRadioButton;
class QSpinBox;

namespace zv {

class MeasSetupDialog final : public QDialog {
  Q_OBJECT
public:
  MeasSetupDialog(Program& program, QWidget* parent = nullptr);

  // OK: applies the fields that the operator changed and closes.
  void acceptValues();

private:
  QSpinBox* intField(const char* name, int value, const Limit<int>& limit, bool editable);
  QDoubleSpinBox* doubleField(const char* name, double value, double lo, double hi, int decimals,
                              bool editable);

  Program& program_;
  MeasSetupValues shown_; // what the fields showed when the dialog opened
  std::array<QRadioButton*, 2> channel_{};
  QSpinBox* sampleRate_;
  QSpinBox* average_;
  QSpinBox* gphPoints_;
  QSpinBox* spikeNum_;
  QDoubleSpinBox* trigDiff_;
  QDoubleSpinBox* spikeLim_;
  QDoubleSpinBox* postTrig_;
  QDoubleSpinBox* startProzent_;
  QDoubleSpinBox* startTime_;
  QDoubleSpinBox* stopProzent_;
  QDoubleSpinBox* stopTime_;
  QCheckBox* limitEnable_;
  QDoubleSpinBox* limitRel_;
};

} // namespace zv
