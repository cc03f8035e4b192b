#pragma once
// Help > Program Info: where the program keeps its files, the version of its graph and backup
// store, and the number settings of the clipboard exports. OK, Esc and the close box close.
#include <QDialog>

namespace zv {

class Program;

class ProgramInfoDialog final : public QDialog {
  Q_OBJECT
public:
  ProgramInfoDialog(const Program& program, QWidget* parent = nullptr);
};

} // namespace zv
