// Setup > Measurement Parameters and Setup > Bond Tension Calculation offscreen: Abort, the
// Latin-1 rule of the unit, and the dialogs while a measurement runs.
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "common/zv_fakes.hpp"
#include "common/zv_qt_quiet.hpp"
#include "common/zv_shell_rig.hpp"
#include "common/zv_testdir.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_meas_setup_dlg.hpp"
#include "ui/zv_qt_ports.hpp"
#include "ui/zv_shell.hpp"
#include "ui/zv_units_dlg.hpp"

using namespace zv;

class TestMeasSetupDialogs : public QObject, test::ShellRig {
  Q_OBJECT

  template <class T> static T* field(QDialog* d, const char* name) {
    T* w = d->findChild<T*>(name);
    if (!w)
      qFatal("no field %s", name);
    return w;
  }
  static bool hasLabel(QDialog* d, const QString& text) {
    for (QLabel* l : d->findChildren<QLabel*>())
      if (l->text() == text)
        return true;
    return false;
  }

private slots:
  void initTestCase() { test::installQuietMessageHandler(); }

  void init() {
    newProgram();
    openShell();
  }

  void cleanup() { endProgram(); }

  void abortLeavesEveryValueAndUntouchedFieldsKeepTheirDigits() {
    program->programMode = 1;
    program->meas.params.dTrigDiffTime = 399.0 / 64; // more digits than the field shows
    const MeasParams before = program->meas.params;
    withDialog(menu::MeasParams, [&](QDialog* d) {
      QVERIFY(field<QSpinBox>(d, "SAMPLE_RATE")->isEnabled());
      field<QSpinBox>(d, "SAMPLE_RATE")->setValue(500);
      field<QDoubleSpinBox>(d, "STOP_TIME")->setValue(3.0);
      field<QPushButton>(d, "ESC")->click();
    });
    QCOMPARE(program->meas.params.sampleRate, before.sampleRate);
    QCOMPARE(program->meas.params.stopTime, before.stopTime);

    withDialog(menu::MeasParams, [&](QDialog* d) {
      field<QDoubleSpinBox>(d, "STOP_TIME")->setValue(3.0);
      field<QPushButton>(d, "OK")->click();
    });
    QCOMPARE(program->meas.params.stopTime, 3.0);
    QCOMPARE(program->meas.params.dTrigDiffTime, 399.0 / 64);
  }

  void unitOutsideLatin1IsRefusedAndTheDialogStays() {
    QString message;
    bool stillOpen = false;
    withDialog(menu::Units, [&](QDialog* d) {
      field<QLineEdit>(d, "UNIT")->setText(QString::fromUtf8("[N/mm\u2082]"));
      QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          message = box->text();
          box->accept();
        }
      });
      field<QPushButton>(d, "OK")->click();
      stillOpen = d->isVisible();
    });
    QVERIFY(message.contains("cannot be stored"));
    QVERIFY(stillOpen);
    QCOMPARE(program->meas.params.unit_press, std::string("[kN/mm2]"));
  }

  void dialogsOpenWhileMeasuring() {
    program->meas.processor.setMeasuring(true);
    withDialog(menu::Units, [](QDialog*) {});
    withDialog(menu::MeasParams, [](QDialog*) {});
    program->meas.processor.setMeasuring(false);
  }
};

QTEST_MAIN(TestMeasSetupDialogs)
#include "test_meas_setup_dlg.moc"
