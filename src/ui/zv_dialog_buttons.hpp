#pragma once
// The OK and Abort buttons of the setup dialogs.
#include <QDialog>
#include <QDialogButtonBox>

#include "support/zv_texts.hpp"

namespace zv {

// OK (object name "OK") is the default button and emits accepted(), which the caller connects
// to what OK does; Abort ("ESC") rejects the dialog.
QDialogButtonBox* okAbortButtons(QDialog& dialog, const ProgramTexts& texts);

} // namespace zv
