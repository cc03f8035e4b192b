#include "ui/zv_edit_dialogs.hpp"

#include <QApplication>

#include "program/zv_program.hpp"
#include "ui/zv_copy_dlg.hpp"
#include "ui/zv_delete_dlg.hpp"
#include "ui/zv_new_dataset_dlg.hpp"
#include "ui/zv_shell.hpp"

namespace zv {

QtEditDialogs::QtEditDialogs(Program& program)
    : program_(program), modelLists_(program.data.model), lists_(&modelLists_) {}

QWidget* QtEditDialogs::parent() const {
  return QApplication::activeWindow();
}

std::optional<NewDataSetInput> QtEditDialogs::newDataSet(const NewDataSetInput& initial) {
  NewDataSetDialog dialog(initial, program_.data.model.limits(), *lists_, program_.lang,
                          program_.texts[GeneralText::ProgramTitle], parent());
  if (dialog.exec() != QDialog::Accepted)
    return std::nullopt;
  return dialog.input();
}

bool QtEditDialogs::confirmDelete(DeleteMode mode) {
  DeleteDialog dialog(program_.data.model, mode, program_.lang,
                      program_.texts[GeneralText::ProgramTitle], parent());
  return dialog.exec() == QDialog::Accepted;
}

std::optional<CopyTarget> QtEditDialogs::copyParameters() {
  CopyDialog dialog(program_.data.model, program_.lang, program_.texts[GeneralText::ProgramTitle],
                    parent());
  dialog.exec();
  return dialog.target();
}

void ShellDataWindows::showDataWindows() {
  shell_.showWindow(WindowId::Order);
  for (WindowId w : {WindowId::Order, WindowId::Storage, WindowId::Measurement})
    shell_.requestRefresh(w, refresh::Everything);
  shell_.updateMenuState();
}

void ShellDataWindows::closeDataWindows() {
  for (WindowId w : {WindowId::Order, WindowId::Storage, WindowId::Measurement})
    if (MainWindowBase* window = shell_.window(w))
      window->hide();
  shell_.showWindow(WindowId::Log);
  shell_.updateMenuState();
}

void ShellDataWindows::refreshTitles() {
  for (WindowId w : {WindowId::Order, WindowId::Storage, WindowId::Measurement})
    shell_.requestRefresh(w, refresh::Title);
  shell_.updateMenuState();
}

} // namespace zv
