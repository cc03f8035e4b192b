#include "ui/zv_menubar.hpp"

#include <QAction>
#include <QMenu>

#include "ui/zv_qt_ports.hpp"

namespace zv {

QString menuLabel(const char* latin1) {
  QString s = QString::fromLatin1(latin1);
  s.replace("&", "&&");
  s.replace("__", "&");
  return s;
}

MenuBar::MenuBar(QWidget* parent) : QMenuBar(parent) {
  menus_[menu::Bar] = nullptr;
  for (const MenuItemDef& d : menuItems()) {
    QMenu* owner = menus_.count(d.parent) ? menus_[d.parent] : nullptr;
    switch (d.handler) {
    case MenuHandler::Menu: {
      QMenu* m = addMenu(QString());
      menus_[d.id] = m;
      actions_[d.id] = m->menuAction();
      break;
    }
    case MenuHandler::Submenu: {
      QMenu* m = owner->addMenu(QString());
      menus_[d.id] = m;
      actions_[d.id] = m->menuAction();
      break;
    }
    case MenuHandler::Separator: {
      QAction* sep = owner->addSeparator();
      actions_[d.id] = sep;
      if (d.id == menu::BeforeExit) {
        recentFile_ = new QAction(this);
        owner->insertAction(sep, recentFile_);
        connect(recentFile_, &QAction::triggered, this, &MenuBar::recentFileTriggered);
      }
      break;
    }
    default: {
      QAction* a = owner->addAction(QString());
      a->setCheckable(d.checkable);
      if (*d.shortcut)
        a->setShortcut(QKeySequence(QString::fromLatin1(d.shortcut)));
      const int id = d.id;
      connect(a, &QAction::triggered, this, [this, id] { emit commandTriggered(id); });
      actions_[d.id] = a;
      break;
    }
    }
  }
}

void MenuBar::relabel(int language) {
  for (const MenuItemDef& d : menuItems()) {
    if (d.handler == MenuHandler::Separator)
      continue;
    actions_[d.id]->setText(menuLabel(language == 1 ? d.english : d.german));
  }
}

void MenuBar::applyState(const std::map<int, MenuItemState>& state) {
  // An item of a dimmed menu is dimmed too, so its shortcut key does not reach it either.
  auto dimmed = [&state](int id) {
    for (const MenuItemDef* d = findMenuItem(id); d; d = findMenuItem(d->parent))
      if (auto s = state.find(d->id); s != state.end() && s->second.dimmed)
        return true;
    return false;
  };
  for (const auto& [id, s] : state) {
    auto it = actions_.find(id);
    if (it == actions_.end())
      continue;
    it->second->setEnabled(!dimmed(id));
    if (it->second->isCheckable())
      it->second->setChecked(s.checked);
  }
}

void MenuBar::setRecentFile(const RecentFileItem& item) {
  recentLabel_ = item.isPath ? fromPath(item.label) : fromLatin1(item.label);
  recentFile_->setText(QString(recentLabel_).replace("&", "&&"));
  recentFile_->setEnabled(!item.dimmed);
}

QString MenuBar::recentFileLabel() const {
  return recentLabel_;
}

QAction* MenuBar::action(int id) const {
  auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

QMenu* MenuBar::menu(int id) const {
  auto it = menus_.find(id);
  return it == menus_.end() ? nullptr : it->second;
}

} // namespace zv
