#pragma once
// The help window: the program's HTML pages in a text browser with Back, Forward and Contents;
// and the F1 key of every window, which asks for the page of the window it is pressed in.
#include <QTextBrowser>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "support/zv_texts.hpp"

class QPushButton;

namespace zv {

// A text browser that shows "Help file not found: <path>" in place of a page that does not
// exist, instead of an empty page.
class HelpBrowser final : public QTextBrowser {
public:
  explicit HelpBrowser(QWidget* parent);
  void setLanguage(const Language& lang) { lang_ = lang; }
  QVariant loadResource(int type, const QUrl& name) override;

private:
  Language lang_;
};

class HelpWindow final : public QWidget {
public:
  explicit HelpWindow(QWidget* parent = nullptr);
  // Shows a page, scrolled to its anchor `section` unless that is empty, with the window's
  // labels in the language. false when the page is no readable file.
  bool showPage(const QString& file, const QString& section, const Language& lang);
  // The window title is this, " - " and the title of the page shown.
  void setProgramTitle(const QString& title) { programTitle_ = title; }
  HelpBrowser* browser() const { return browser_; }

private:
  void retitle();

  Language lang_;
  QString programTitle_ = "ZARVIK";
  HelpBrowser* browser_;
  QPushButton* back_;
  QPushButton* forward_;
  QPushButton* contents_;
  QPushButton* close_;
};

// Catches F1 without modifiers in every window of the application before any menu shortcut
// and passes the object names of the window it was pressed in and of the windows that one
// belongs to, innermost first.
class HelpKey final : public QObject {
public:
  using Handler = std::function<void(const std::vector<std::string>& windowNames)>;
  explicit HelpKey(Handler handler);
  ~HelpKey() override;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  Handler handler_;
};

} // namespace zv
