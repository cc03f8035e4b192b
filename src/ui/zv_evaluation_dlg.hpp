#pragma once
// "Setup - Evaluation List": adds and deletes the program's evaluation texts. The OK button
// reads "Close" until the list changed and "OK" afterwards; the abort button appears once
// it changed and puts the list back as it was when the dialog opened, as do the close box
// and Escape. After every add or delete the list control has the focus again.
#include <QDialog>

#include "core/zv_evaluation_list.hpp"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace zv {

class Program;

class EvaluationDialog final : public QDialog {
  Q_OBJECT
public:
  explicit EvaluationDialog(Program& program, QWidget* parent = nullptr);

  EvaluationListEditor& editor() { return editor_; }

  void accept() override;
  void reject() override;

private:
  void add();
  void remove();
  void redraw();
  void relabel();

  Program& program_;
  EvaluationListEditor editor_;
  // The list as the dialog found it. The editor restores only after an edit that differs from
  // the last saved list; an edit that undoes an earlier session's change must be undone too.
  EvaluationList opening_;
  QLabel* listLabel_;
  QListWidget* list_;
  QLabel* entryLabel_;
  QLineEdit* entry_;
  QPushButton* add_;
  QPushButton* delete_;
  QPushButton* ok_;
  QPushButton* abort_;
};

} // namespace zv
