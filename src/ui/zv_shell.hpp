#pragma once
// The windows of the running program and the commands of their menu bars.
#include <QObject>
#include <array>
#include <functional>
#include <map>
#include <memory>

#include "platform/zv_refresh.hpp"
#include "ui/zv_log_window.hpp"

namespace zv {

class Program;
class QtUi;
class FileCommands;
class QtEditDialogs;
class ShellDataWindows;
class HelpKey;

class Shell final : public QObject, public RefreshSink {
  Q_OBJECT
public:
  Shell(Program& program, QtUi& ui);
  ~Shell() override;

  // Creates the log window with its menu bar and makes it the log target.
  void openLogWindow();
  LogWindow* logWindow() const { return log_.get(); }
  MainWindowBase* window(WindowId id) const;
  // The table and measurement windows register themselves here when they exist.
  void setWindow(WindowId id, MainWindowBase* window);
  // Records where the data windows are, for the configuration (before it is saved).
  void storeWindowPlacements();

  // Runs the command of a menu item for the bar of `owner`.
  void command(int id, MainWindowBase* owner);
  // Whether the menu item has a command.
  bool hasCommand(int id) const { return commands_.contains(id); }
  void showWindow(WindowId which);
  void updateMenuState();
  void switchLanguage(int language);
  void requestExit(MainWindowBase* from);
  void print(QWidget* window);

  void requestRefresh(WindowId window, std::uint32_t bits) override;
  // The order and storage tables and the measurement window are made on first use.
  MainWindowBase* ensureWindow(WindowId id);

  // The File and Edit commands that work on the data set and its file.
  FileCommands& fileCommands() { return *fileCommands_; }
  QtEditDialogs& editDialogs() { return *editDialogs_; }

  // Set while a modal exit dialog is open (tests look at it).
  QDialog* openDialog() const { return openDialog_; }

signals:
  void quitRequested(int code);

private:
  void registerCommands();
  void wire(MainWindowBase* w);
  void relabel(MainWindowBase* w);
  void retitleLog();
  // Relabels every window in the current language.
  void showLanguage();

  Program& program_;
  QtUi& ui_;
  std::unique_ptr<LogWindow> log_;
  std::unique_ptr<MainWindowBase> order_;
  std::unique_ptr<MainWindowBase> storage_;
  std::unique_ptr<MainWindowBase> meas_;
  std::array<MainWindowBase*, 4> windows_{};
  QDialog* openDialog_ = nullptr;
  std::unique_ptr<QtEditDialogs> editDialogs_;
  std::unique_ptr<ShellDataWindows> dataWindows_;
  std::unique_ptr<FileCommands> fileCommands_;
  std::unique_ptr<HelpKey> helpKey_; // F1: the help page of the window it is pressed in
  std::map<int, std::function<void(MainWindowBase* owner)>> commands_;
};

} // namespace zv
