// Data windows open where the configuration says and their place is recorded before exit.
#include <QApplication>
#include <QScreen>
#include <QTest>

#include "common/zv_fakes.hpp"
#include "common/zv_qt_quiet.hpp"
#include "common/zv_shell_rig.hpp"
#include "common/zv_testdir.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_main_window.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_shell.hpp"
#include "ui/zv_window_placement.hpp"

using namespace zv;

class TestWindowPlacement : public QObject, test::ShellRig {
  Q_OBJECT

  static QSize screen() { return QGuiApplication::primaryScreen()->geometry().size(); }

private slots:
  void initTestCase() { test::installQuietMessageHandler(); }

  void init() {
    newProgram();
    openShell();
  }

  void cleanup() { endProgram(); }

  void theTablesOpenAtTheirConfiguredPlace() {
    program->config.display.orderWindow = {0.1, 0.2, 0.5, 0.25};
    program->config.display.storageWindow = {0.3, 0.1, 0.4, 0.5};
    const QSize s = screen();
    for (auto [id, placement] :
         {std::pair{WindowId::Order, program->config.display.orderWindow},
          std::pair{WindowId::Storage, program->config.display.storageWindow}}) {
      MainWindowBase* w = shell->ensureWindow(id);
      QVERIFY(w);
      const PixelRect a = applyWindowPlacement(placement, s.width(), s.height());
      // A window is never made smaller than it can be drawn.
      QCOMPARE(w->geometry(),
               QRect(QPoint(a.left, a.top), QSize(a.width, a.height).expandedTo(w->minimumSize())));
    }
  }

  void theCurrentPlaceIsRecordedForTheConfiguration() {
    MainWindowBase meas(WindowId::Measurement);
    shell->setWindow(WindowId::Measurement, &meas);
    meas.setGeometry(105, 236, 320, 240);
    const WindowPlacement before = program->config.display.orderWindow;
    shell->storeWindowPlacements();
    const QSize s = screen();
    const int titleBar = meas.geometry().y() - meas.frameGeometry().y();
    QVERIFY((program->config.display.measWindow ==
             WindowPlacement{100.0 / s.width(), (236.0 - (titleBar + 15)) / s.height(),
                             320.0 / s.width(), 240.0 / s.height()}));
    QVERIFY(program->config.display.orderWindow == before); // no order window: unchanged
    shell->setWindow(WindowId::Measurement, nullptr);
  }

  void noWindowIsLeftAlone() {
    WindowPlacement p{0.1, 0.2, 0.3, 0.4};
    applyWindowPlacement(nullptr, p);
    storeWindowPlacement(nullptr, p);
    QVERIFY((p == WindowPlacement{0.1, 0.2, 0.3, 0.4}));
  }
};

QTEST_MAIN(TestWindowPlacement)
#include "test_window_placement.moc"
