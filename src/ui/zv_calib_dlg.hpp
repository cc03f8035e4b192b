#pragma once
// "Setup - Calibrating Pistons": the two-point calibration of one tester's pistons with the
// live signal of that tester, through a CalibrationSession. The close button reads "Close"
// until something changed and "OK" afterwards; the abort button appears once something
// changed; Abort, Escape and the close box put the device back as it was.
#include <QDialog>
#include <QTimer>
#include <array>

#include "daq/zv_calibration.hpp"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace zv {

class Program;
class DecimalSpinBox;

class CalibrationDialog final : public QDialog {
  Q_OBJECT
public:
  // Opens the session for the channel; check session().isOpen() before showing the dialog.
  CalibrationDialog(Program& program, int channel, QWidget* parent = nullptr);

  CalibrationSession& session() { return session_; }
  // The live signal's one-second timer, and what it does on each timeout.
  QTimer& liveTimer() { return timer_; }
  void liveTick();

  void accept() override;
  void reject() override;

private:
  struct PointControls {
    QLabel* forceLabel;
    DecimalSpinBox* force;
    QLabel* voltsLabel;
    DecimalSpinBox* volts;
    QCheckBox* lock;
    QPushButton* calibrate;
  };
  PointControls makePoint(int point, QWidget* parent);
  void commitValue(CalField field, DecimalSpinBox* box);
  void redraw();
  void syncTimer();

  Program& program_;
  CalibrationSession session_;
  QTimer timer_;
  QGroupBox* selectionBox_;
  QGroupBox* pointsBox_;
  QGroupBox* resultBox_;
  QLabel* channelLabel_;
  QLabel* channel_;
  QLabel* deviceLabel_;
  QLabel* device_;
  QLabel* pistonLabel_;
  QComboBox* piston_;
  QLabel* rangeLabel_;
  QComboBox* range_;
  QLabel* dateLabel_;
  QLabel* date_;
  std::array<PointControls, 2> points_;
  QLabel* offsetLabel_;
  QLabel* offset_;
  QLabel* gainLabel_;
  QLabel* gain_;
  QLabel* liveForceLabel_;
  QLabel* liveForce_;
  QLabel* liveVoltsLabel_;
  QLabel* liveVolts_;
  QLabel* overflowLabel_;
  QLabel* overflowLed_;
  QLabel* measLabel_;
  QLabel* measLed_;
  QLabel* daqLabel_;
  QLabel* status_;
  QPushButton* ok_;
  QPushButton* abort_;
};

} // namespace zv
