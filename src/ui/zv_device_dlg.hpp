#pragma once
// "Setup - Devicefile 1" / "Setup - Devicefile 2": edits one tester device (name, serial
// number, pistons, areas, speeds) through a DeviceSetup session. The OK button reads "Close"
// until something changed and "Save" afterwards; the abort button appears once something
// changed; the close box and Escape abort.
#include <QDialog>
#include <functional>

#include "platform/zv_fileio.hpp"
#include "program/zv_device_commands.hpp"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace zv {

class Program;

class DeviceDialog final : public QDialog {
  Q_OBJECT
public:
  DeviceDialog(Program& program, int index, QWidget* parent = nullptr);

  // What the calibrate button opens for this device's channel (the calibration dialog unless
  // replaced); without one it is dimmed.
  void setCalibrateHandler(std::function<void(int index)> handler);

  DeviceSetup& session() { return session_; }

  void accept() override;
  void reject() override;

protected:
  void changeEvent(QEvent* event) override;

private:
  struct ListControls {
    QLabel* label;
    QListWidget* list;
    QPushButton* add;
    QPushButton* remove;
  };
  ListControls makeList(DeviceSetup::List which, const char* name, QWidget* parent);
  ListControls& controls(DeviceSetup::List which);
  void fillList(DeviceSetup::List which);
  void redraw();
  void relabel();
  // Copies a field into the device on commit; false (after a popup) for text that Latin-1
  // cannot hold.
  bool commitName();
  bool commitSerial();
  void calibrate();
  void showPistonLine();

  Program& program_;
  DeviceSetup session_;
  std::function<void(int)> calibrateHandler_;
  QLineEdit* file_;
  QPushButton* load_;
  QLabel* nameLabel_;
  QLineEdit* name_;
  QLabel* serialLabel_;
  QLineEdit* serial_;
  ListControls pistons_;
  ListControls areas_;
  ListControls speeds_;
  QPushButton* calibrate_;
  QLabel* pistonLine_; // the selected piston's calibration line
  QPushButton* ok_;
  QPushButton* abort_;
};

} // namespace zv
