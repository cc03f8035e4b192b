#include "ui/zv_dialog_buttons.hpp"

#include <QHBoxLayout>

namespace zv {

QDialogButtonBox* okAbortButtons(QDialog& dialog, const ProgramTexts& texts) {
  auto* buttons = new QDialogButtonBox(&dialog);
  auto* ok =
      buttons->addButton(QString::fromLatin1(texts[GeneralText::Ok]), QDialogButtonBox::AcceptRole);
  auto* abort = buttons->addButton(QString::fromLatin1(texts[GeneralText::Abort]),
                                   QDialogButtonBox::RejectRole);
  ok->setObjectName("OK");
  abort->setObjectName("ESC");
  ok->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  return buttons;
}

QPushButton* dialogButton(const char* name, QWidget* parent) {
  auto* b = new QPushButton(parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

OkAbortRow okAbortRow(QWidget* parent) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  OkAbortRow r{row, dialogButton("OK", parent), dialogButton("ABORT", parent)};
  row->addWidget(r.ok);
  row->addWidget(r.abort);
  return r;
}

} // namespace zv
