#include "ui/zv_dialog_buttons.hpp"

#include <QPushButton>

namespace zv {

QDialogButtonBox* okAbortButtons(QDialog& dialog, const ProgramTexts& texts) {
  auto* buttons = new QDialogButtonBox(&dialog);
  auto* ok =
      buttons->addButton(QString::fromLatin1(texts.generalTexts[17]), QDialogButtonBox::AcceptRole);
  auto* abort =
      buttons->addButton(QString::fromLatin1(texts.generalTexts[18]), QDialogButtonBox::RejectRole);
  ok->setObjectName("OK");
  abort->setObjectName("ESC");
  ok->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  return buttons;
}

} // namespace zv
