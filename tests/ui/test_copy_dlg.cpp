// "Edit - Copying the Storage parameters": source names, the three destinations, Close.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "common/zv_dialog_rig.hpp"
#include "common/zv_qt_quiet.hpp"
#include "core/zv_dataset.hpp"
#include "ui/zv_copy_dlg.hpp"

using namespace zv;

class TestCopyDialog : public QObject, test::DialogRig {
  Q_OBJECT

private slots:
  void initTestCase() { test::installQuietMessageHandler(); }
  void init() {
    newModel(2, 3);
    model->dataSet()->samples[1].storages[2].name = "Wasser";
    model->dataSet()->currentSample = 1;
    model->dataSet()->currentStorage = 2;
  }

  void showsSourceAndDestinations() {
    CopyDialog d(*model, lang, "Z");
    QCOMPARE(d.windowTitle(), QString("Z - Edit - Copying the Storage parameters"));
    QCOMPARE(d.findChild<QLabel*>("SOURCE_SAMPLE")->text(), QString("P2"));
    QCOMPARE(d.findChild<QLabel*>("SOURCE_STORAGE")->text(), QString("Wasser"));
    QCOMPARE(d.findChild<QLabel*>("NOTE")->text(),
             QString("Default for pistons, contact-area, speed"));
    QCOMPARE(buttonText(d, "FOLLOWING_STORAGES"),
             QString("All following Storages of the current Sample"));
    QCOMPARE(buttonText(d, "FOLLOWING_SAMPLES"),
             QString("All following Samples of the current Storage"));
    QCOMPARE(buttonText(d, "ALL"), QString("All Samples and storages"));
    QCOMPARE(buttonText(d, "CLOSE"), QString("Close"));
  }

  void eachButtonClosesWithItsChoice() {
    const std::pair<const char*, CopyTarget> buttons[] = {
        {"FOLLOWING_STORAGES", CopyTarget::FollowingStorages},
        {"FOLLOWING_SAMPLES", CopyTarget::FollowingSamples},
        {"ALL", CopyTarget::All}};
    for (const auto& [name, target] : buttons) {
      CopyDialog d(*model, lang, "Z");
      QTimer::singleShot(0, [&d, n = name] { d.findChild<QPushButton*>(n)->click(); });
      QCOMPARE(d.exec(), int(QDialog::Accepted));
      QVERIFY(d.target() == target);
    }
    CopyDialog c(*model, lang, "Z");
    QTimer::singleShot(0, [&] { c.findChild<QPushButton*>("CLOSE")->click(); });
    c.exec();
    QVERIFY(!c.target());
  }
};

QTEST_MAIN(TestCopyDialog)
#include "test_copy_dlg.moc"
