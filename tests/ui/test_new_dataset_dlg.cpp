// "File - New": initial values, limits, the channel's rings, the
// Latin-1 check and OK/Abort.
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <QAction>
#include <QSignalSpy>

#include "common/zv_child.hpp"
#include "common/zv_fakes.hpp"
#include "common/zv_qt_quiet.hpp"
#include "common/zv_testdir.hpp"
#include "core/zv_edit_ops.hpp"
#include "program/zv_menu_table.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_new_dataset_dlg.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_shell.hpp"

using namespace zv;

namespace {

// Channel 0 has the built-in lists, channel 1 lists of its own.
class TwoChannels final : public ChannelLists {
public:
  TwoChannels() {
    second.pistons.insert(50.0);
    second.pistons.removeAt(0);
    second.areas.insert(12.5);
  }
  const DeviceListSource& channelLists(int channel) const override {
    return channel == 1 ? static_cast<const DeviceListSource&>(second) : first;
  }
  BuiltInDeviceLists first;
  BuiltInDeviceLists second;
};

NewDataSetInput initial() {
  NewDataSetInput in;
  in.identNumber = "--";
  in.identName = "New";
  in.sampleCount = 3;
  in.samplePrefix = "P";
  in.storageCount = 4;
  in.storagePrefix = "L";
  in.channel = 0;
  in.range = 20.0;
  in.area = 3.0;
  in.speed = 100.0;
  return in;
}
} // namespace

class TestNewDataSetDialog : public QObject {
  Q_OBJECT
  TwoChannels lists;
  DataSetLimits limits;

  template <class T> T* child(QDialog& d, const char* name) { return test::child<T>(&d, name); }

private slots:
  void initTestCase() { test::installQuietMessageHandler(); }

  void startsFromTheDefaultsWithinTheLimits() {
    Language lang;
    limits.setMaxSamples(12);
    NewDataSetDialog d(initial(), limits, lists, lang, "T");
    QCOMPARE(child<QLineEdit>(d, "IDENT_NAME")->text(), QString("New"));
    QCOMPARE(child<QLineEdit>(d, "IDENT_NO")->maxLength(), 79);
    QCOMPARE(child<QLineEdit>(d, "SAMPLE_PREFIX")->maxLength(), 29);
    QCOMPARE(child<QSpinBox>(d, "SAMPLE_COUNT")->maximum(), 12);
    QCOMPARE(child<QSpinBox>(d, "SAMPLE_COUNT")->minimum(), 1);
    QCOMPARE(child<QSpinBox>(d, "STORAGE_COUNT")->value(), 4);
    QCOMPARE(child<QComboBox>(d, "RANGE")->currentData().toDouble(), 20.0);
    QCOMPARE(child<QComboBox>(d, "AREA")->currentData().toDouble(), 3.0);
    QCOMPARE(child<QComboBox>(d, "RANGE")->currentText(), QString("  20.000"));
  }

  void changingTheChannelRefillsTheRings() {
    Language lang;
    NewDataSetDialog d(initial(), limits, lists, lang, "T");
    auto* range = child<QComboBox>(d, "RANGE");
    QCOMPARE(range->count(), 3);
    child<QComboBox>(d, "CHANNEL")->setCurrentIndex(1);
    QCOMPARE(range->count(), 3); // 20, 30, 50
    QCOMPARE(range->currentData().toDouble(), 20.0);
    QCOMPARE(range->itemData(2).toDouble(), 50.0);
    QCOMPARE(child<QComboBox>(d, "AREA")->count(), 4);
    QCOMPARE(child<QComboBox>(d, "AREA")->currentData().toDouble(), 3.0);
    child<QComboBox>(d, "CHANNEL")->setCurrentIndex(0);
    QCOMPARE(range->itemData(0).toDouble(), 10.0);
  }

  void okHandsBackTheFields() {
    Language lang;
    NewDataSetDialog d(initial(), limits, lists, lang, "T");
    child<QLineEdit>(d, "IDENT_NO")->setText(QString::fromUtf8("Prüfung 7"));
    child<QSpinBox>(d, "SAMPLE_COUNT")->setValue(2);
    child<QLineEdit>(d, "STORAGE_PREFIX")->setText("T");
    child<QComboBox>(d, "CHANNEL")->setCurrentIndex(1);
    child<QComboBox>(d, "RANGE")->setCurrentIndex(2);
    child<QComboBox>(d, "SPEED")->setCurrentIndex(1);
    QTimer::singleShot(0, [&] { child<QPushButton>(d, "OK")->click(); });
    QCOMPARE(d.exec(), int(QDialog::Accepted));
    const NewDataSetInput in = d.input();
    QCOMPARE(QString::fromLatin1(in.identNumber.c_str()), QString::fromUtf8("Prüfung 7"));
    QCOMPARE(in.sampleCount, 2);
    QCOMPARE(in.storagePrefix, std::string("T"));
    QCOMPARE(in.channel, 1);
    QCOMPARE(in.range, 50.0);
    QCOMPARE(in.speed, 200.0);
    QCOMPARE(in.area, 3.0);
  }

  void textsOutsideLatin1AreRefused() {
    Language lang;
    NewDataSetDialog d(initial(), limits, lists, lang, "T");
    child<QLineEdit>(d, "IDENT_NAME")->setText(QString::fromUtf8("Probe €"));
    bool warned = false;
    QTimer::singleShot(0, [&] {
      child<QPushButton>(d, "OK")->click(); // opens the warning, stays open
      // reached after the warning was closed below
    });
    QTimer::singleShot(50, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        warned = box->text().contains("Latin-1");
        box->accept();
      }
      QTimer::singleShot(0, [&] { child<QPushButton>(d, "ABORT")->click(); });
    });
    QCOMPARE(d.exec(), int(QDialog::Rejected));
    QVERIFY(warned);
  }

  // The menu bar reaches the dialog, and Exit's Yes goes through the save question.
  void menuNewAndExitThroughTheShell() {
    test::TestDir dir;
    test::FakeClock clock;
    MemoryRegistry registry((dir.path() / "").string());
    QtUi ui;
    Program program(ui, clock, registry, dir.path() / "fallback" / "");
    program.startUp({"zarvik"});
    Shell shell(program, ui);
    shell.openLogWindow();
    program.logInit(shell.logWindow());

    QString opened;
    QTimer::singleShot(0, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      opened = modal ? modal->objectName() : QString();
      if (modal)
        modal->findChild<QPushButton*>("ABORT")->click();
    });
    shell.logWindow()->menu()->action(menu::New)->trigger();
    QCOMPARE(opened, QString("NEW_AUFTRAG"));
    QVERIFY(!program.data.model.hasDataSet());

    // A changed data set: Exit -> Yes -> "Reject Changes" ends the program.
    program.data.model.createDataSet();
    program.data.model.addSamples(1);
    program.data.model.addStorages(1);
    QVERIFY(program.data.model.isChanged() != 0);
    QSignalSpy quit(&shell, &Shell::quitRequested);
    QString question;
    QTimer::singleShot(
        0, [&] { QApplication::activeModalWidget()->findChild<QPushButton*>("YES")->click(); });
    QTimer::singleShot(50, [&] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box)
        return;
      question = box->windowTitle();
      for (auto* b : box->findChildren<QPushButton*>())
        if (b->text() == "Reject\nChanges")
          b->click();
    });
    shell.logWindow()->menu()->action(menu::Exit)->trigger();
    QCOMPARE(question, QString("File - Exit Program"));
    QCOMPARE(quit.count(), 1);
    QVERIFY(!program.data.model.hasDataSet());
  }
};

QTEST_MAIN(TestNewDataSetDialog)
#include "test_new_dataset_dlg.moc"
