#pragma once
// The small fixed windows: the start screen, Version Info and the exit dialog.
#include <QDialog>

namespace zv {

class Program;
struct TextPair;

// A window title: the program's title, " - ", then own in the program's language.
QString programTitled(const Program& program, const TextPair& own);

class StartScreen final : public QDialog {
  Q_OBJECT
public:
  // picture: start.jpg in the program directory, shown when it exists and is not empty.
  StartScreen(const Program& program, const QString& picture, QWidget* parent = nullptr);
};

class VersionInfoDialog final : public QDialog {
  Q_OBJECT
public:
  VersionInfoDialog(const Program& program, QWidget* parent = nullptr);
};

// Setup > Data Acquisition: what the program knows of its acquisition box.
class DaqInfoDialog final : public QDialog {
  Q_OBJECT
public:
  DaqInfoDialog(const Program& program, QWidget* parent = nullptr);
};

// Yes: accept(); No and the close box: reject().
class ExitDialog final : public QDialog {
  Q_OBJECT
public:
  ExitDialog(const Program& program, QWidget* parent = nullptr);
};

} // namespace zv
