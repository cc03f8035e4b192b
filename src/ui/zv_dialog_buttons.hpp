#pragma once
// The buttons of the setup dialogs.
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

#include "support/zv_texts.hpp"

namespace zv {

// OK (object name "OK") is the default button and emits accepted(), which the caller connects
// to what OK does; Abort ("ESC") rejects the dialog.
QDialogButtonBox* okAbortButtons(QDialog& dialog, const ProgramTexts& texts);

// A named button of a dialog with text fields: Return in a field commits the field and must
// not press a button, so it is never the automatic default.
QPushButton* dialogButton(const char* name, QWidget* parent);

// The OK ("OK") and Abort ("ABORT") buttons of such a dialog, right-aligned in one row.
struct OkAbortRow {
  QLayout* row;
  QPushButton* ok;
  QPushButton* abort;
};
OkAbortRow okAbortRow(QWidget* parent);

} // namespace zv
