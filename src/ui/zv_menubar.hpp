#pragma once
// The menu bar of a main window, built from the program's menu table.
#include <QMenuBar>
#include <map>

#include "program/zv_menu_table.hpp"

class QAction;
class QMenu;

namespace zv {

class MenuBar final : public QMenuBar {
  Q_OBJECT
public:
  explicit MenuBar(QWidget* parent = nullptr);

  void relabel(int language);
  void applyState(const std::map<int, MenuItemState>& state);
  void setRecentFile(const RecentFileItem& item);
  QString recentFileLabel() const;

  QAction* action(int id) const;
  QMenu* menu(int id) const;

signals:
  void commandTriggered(int id);
  void recentFileTriggered();

private:
  std::map<int, QAction*> actions_; // items, and the menu actions of menus and submenus
  std::map<int, QMenu*> menus_;
  QAction* recentFile_ = nullptr;
  QString recentLabel_;
};

// "__Datei" -> "&Datei"
QString menuLabel(const char* latin1);

} // namespace zv
