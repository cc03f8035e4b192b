#pragma once
// "File - New": the order's ident, the number and name prefix of samples and storages, and the
// tester channel whose piston, area and speed lists fill the three rings.
#include <QDialog>

#include "core/zv_edit_ops.hpp"

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace zv {

class NewDataSetDialog final : public QDialog {
  Q_OBJECT
public:
  NewDataSetDialog(const NewDataSetInput& initial, const DataSetLimits& limits,
                   const ChannelLists& lists, const Language& lang, const char* programTitle,
                   QWidget* parent = nullptr);
  // The fields as the user left them (valid after OK).
  NewDataSetInput input() const;

private:
  // Fills the rings from the channel's lists and selects the given values (else the first).
  void fillRings(int channel, double range, double area, double speed);
  void onOk();

  const ChannelLists& lists_;
  const Language& lang_;
  QLineEdit* identNumber_;
  QLineEdit* identName_;
  QSpinBox* sampleCount_;
  QLineEdit* samplePrefix_;
  QSpinBox* storageCount_;
  QLineEdit* storagePrefix_;
  QComboBox* channel_;
  QComboBox* range_;
  QComboBox* area_;
  QComboBox* speed_;
};

// The text of a line edit as Latin-1, or nothing when it holds a character Latin-1 lacks.
std::optional<std::string> latin1Text(const QString& text);

} // namespace zv
