// The help window: Help > Online Index and F1 in a main window open the right page in the
// program's language.
// With ZV_TOUR_DIR set, pictures of the window in both languages.
#include <QDir>
#include <QPushButton>

#include "common/zv_window_rig.hpp"
#include "program/zv_help_pages.hpp"
#include "program/zv_menu_table.hpp"
#include "ui/zv_help_window.hpp"
#include "ui/zv_main_window.hpp"
#include "ui/zv_menubar.hpp"

using namespace zv;

namespace {
const QString helpRoot = QStringLiteral(ZV_HELP_DIR);
} // namespace

class TestHelpWindow : public QObject, test::ShellRig {
  Q_OBJECT

  HelpWindow* help() { return ui->helpWindow(); }
  // The page the help window shows, below the help directory, with its section.
  QString shown() {
    const QUrl url = help()->browser()->source();
    QString page = QDir(helpRoot).relativeFilePath(url.toLocalFile());
    return url.fragment().isEmpty() ? page : page + "#" + url.fragment();
  }
  static QString expected(const HelpTopic& topic, int language) {
    const auto q = [](std::string_view v) {
      return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
    };
    const QString page = q(helpLanguageFolder(language)) + "/" + q(topic.page);
    return topic.section.empty() ? page : page + "#" + q(topic.section);
  }
  void pressF1(QWidget* w) {
    w->activateWindow();
    QTest::keyClick(w, Qt::Key_F1);
  }

private slots:
  void init() {
    newProgram(true, true);
    program->helpDirectory = helpRoot.toStdString();
    loadDataSet(1, 1);
    shell->updateMenuState();
  }

  void cleanup() { endProgram(); }

  // Help > Online Index opens the contents in the program's language; F1 in each main window
  // opens that window's page, not the contents that the menu item with the same key would open.
  void onlineIndexAndF1InEachWindow() {
    for (auto [language, title, back] : {std::tuple{1, "ZARVIK 2012 USB - Help", "Back"},
                                         std::tuple{0, "ZARVIK 2012 USB - Hilfe", "Zurück"}}) {
      shell->switchLanguage(language);
      shell->logWindow()->menu()->action(menu::HlpFile)->trigger();
      QVERIFY(help() && help()->isVisible());
      QCOMPARE((QStringList{shown(), help()->windowTitle(),
                            help()->findChild<QPushButton*>("BACK")->text()}),
               (QStringList{expected(HelpContents, language), QString::fromUtf8(title),
                            QString::fromUtf8(back)}));
      for (auto [id, name] :
           {std::pair{WindowId::Log, "LOG"}, std::pair{WindowId::Measurement, "MEAS"}}) {
        shell->showWindow(id);
        pressF1(id == WindowId::Log ? shell->logWindow() : shell->window(id));
        QVERIFY2(help() && help()->isVisible(), name);
        const std::vector<std::string> names{name};
        QCOMPARE(shown(), expected(helpTopicForWindows(names), language));
        QVERIFY(shown() != expected(HelpContents, language));
      }
    }
  }

  // With ZV_TOUR_DIR set (scripts/screenshots.sh runs it on a real X server): the window on
  // the first series in both languages.
  void pictures() {
    const QString out = tourDir();
    if (out.isEmpty())
      QSKIP("pictures only when ZV_TOUR_DIR names a folder");
    for (auto [language, file] :
         {std::pair{1, "help-window-en.png"}, std::pair{0, "help-window-de.png"}}) {
      shell->switchLanguage(language);
      showHelp(*program, {"first-series.html", ""});
      QVERIFY(QTest::qWaitForWindowExposed(help()));
      QTest::qWait(50);
      QVERIFY(help()->grab().save(out + "/" + file));
    }
  }
};

QTEST_MAIN(TestHelpWindow)
#include "test_help_window.moc"
