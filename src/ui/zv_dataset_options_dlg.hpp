#pragma once
// Options > Data Set: the data directory with its selection dialog, "save graphic data" and
// the data file type, and what the program knows of the loaded data set.
#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace zv {

class Program;

class DataSetOptionsDialog final : public QDialog {
  Q_OBJECT
public:
  DataSetOptionsDialog(Program& program, QWidget* parent = nullptr);

  // OK: stores the directory, the option and the type, and closes (a refused directory
  // keeps the dialog open).
  void acceptValues();
  // The "Selection" button: a chosen directory replaces the field and everything is shown
  // again.
  void selectDirectory();

private:
  void showInfo();

  Program& program_;
  QLineEdit* directory_;
  QCheckBox* saveGraph_;
  std::array<QRadioButton*, 2> type_{}; // binary, text
  std::array<QLabel*, 8> info_{};
};

} // namespace zv
