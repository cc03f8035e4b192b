#include "ui/zv_evaluation_dlg.hpp"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "program/zv_program.hpp"
#include "ui/zv_dialog_buttons.hpp"
#include "ui/zv_latin1_field.hpp"
#include "ui/zv_qt_ports.hpp"

namespace zv {

EvaluationDialog::EvaluationDialog(Program& program, QWidget* parent)
    : QDialog(parent), program_(program),
      editor_(program.data.evaluations, program.ui, program.lang),
      opening_(program.data.evaluations) {
  setObjectName("ABRISS");
  setModal(true);
  auto* layout = new QGridLayout(this);
  listLabel_ = new QLabel(this);
  list_ = new QListWidget(this);
  list_->setObjectName("LIST");
  listLabel_->setBuddy(list_);
  entryLabel_ = new QLabel(this);
  entry_ = new QLineEdit(this);
  entry_->setObjectName("ENTRY");
  entry_->setMaxLength(static_cast<int>(EvaluationList::FieldSize));
  entryLabel_->setBuddy(entry_);
  add_ = dialogButton("ADD", this);
  delete_ = dialogButton("DELETE", this);
  ok_ = dialogButton("OK", this);
  abort_ = dialogButton("ABORT", this);

  layout->addWidget(listLabel_, 0, 0);
  layout->addWidget(list_, 1, 0, 4, 1);
  layout->addWidget(entryLabel_, 0, 1);
  layout->addWidget(entry_, 1, 1);
  layout->addWidget(add_, 2, 1);
  layout->addWidget(delete_, 3, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(abort_);
  layout->addLayout(buttons, 5, 0, 1, 2);

  const EvaluationListEditor::Captions c = editor_.captions();
  setWindowTitle(fromLatin1(program_.texts[GeneralText::ProgramTitle]) + " - " +
                 fromLatin1(c.title));
  listLabel_->setText(fromLatin1(c.list));
  entryLabel_->setText(fromLatin1(c.entryField));
  add_->setText(fromLatin1(c.addButton));
  delete_->setText(fromLatin1(c.deleteButton));
  abort_->setText(fromLatin1(c.abortButton));

  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0)
      editor_.select(row);
  });
  connect(add_, &QPushButton::clicked, this, &EvaluationDialog::add);
  connect(delete_, &QPushButton::clicked, this, &EvaluationDialog::remove);
  connect(ok_, &QPushButton::clicked, this, &EvaluationDialog::accept);
  connect(abort_, &QPushButton::clicked, this, &EvaluationDialog::reject);
  redraw();
  list_->setFocus();
}

void EvaluationDialog::add() {
  if (auto text = latin1FieldText(entry_, entry_->text(), program_))
    editor_.add(*text);
  redraw();
  list_->setFocus();
}

void EvaluationDialog::remove() {
  if (auto removed = editor_.deleteCurrent())
    entry_->setText(fromLatin1(*removed));
  redraw();
  list_->setFocus();
}

void EvaluationDialog::redraw() {
  const EvaluationList& list = program_.data.evaluations;
  {
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (const ListItem& item : list.items()) {
      auto* row = new QListWidgetItem(fromLatin1(item.label), list_);
      row->setData(Qt::UserRole, item.value);
    }
    list_->setCurrentRow(list.selectedIndex());
  }
  relabel();
}

void EvaluationDialog::relabel() {
  ok_->setText(fromLatin1(editor_.okLabel()));
  abort_->setVisible(editor_.abortVisible());
}

void EvaluationDialog::accept() {
  editor_.ok();
  QDialog::accept();
}

void EvaluationDialog::reject() {
  editor_.abort();
  if (!(program_.data.evaluations == opening_))
    program_.data.evaluations = opening_;
  QDialog::reject();
}

} // namespace zv
