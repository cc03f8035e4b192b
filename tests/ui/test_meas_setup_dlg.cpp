// Setup > Measurement Parameters and Setup > Bond Tension Calculation offscreen: captions,
// which fields can be changed, the offset suppression switch, OK and Abort.
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

  void outsideSetupModeOnlyTheDetectionRulesCanBeChanged() {
    withDialog(menu::MeasParams, [&](QDialog* d) {
      QCOMPARE(d->windowTitle(), QString("ZARVIK 2012 USB - Setup - Measuring Parameter"));
      QVERIFY(hasLabel(d, "Trigger\nDistance [s]"));
      QVERIFY(hasLabel(d, "Offset in % of piston range"));
      for (const char* locked : {"SAMPLE_RATE", "AVERAGE", "GPH_POINTS", "SPIKE_NUM", "TRIG_DIFF",
                                 "SPIKE_LIM", "POST_TRIG"})
        QVERIFY2(!d->findChild<QWidget*>(locked)->isEnabled(), locked);
      for (const char* open : {"START_PROZENT", "START_TIME", "STOP_PROZENT", "STOP_TIME",
                               "LIMIT_ENABLE", "CHANNEL_1", "CHANNEL_2"})
        QVERIFY2(d->findChild<QWidget*>(open)->isEnabled(), open);
      QCOMPARE(field<QSpinBox>(d, "SAMPLE_RATE")->maximum(), 1000);
      QCOMPARE(field<QSpinBox>(d, "GPH_POINTS")->minimum(), 400);
      QCOMPARE(field<QDoubleSpinBox>(d, "STOP_PROZENT")->minimum(), -100.0);
      QCOMPARE(field<QDoubleSpinBox>(d, "START_PROZENT")->maximum(), 500.0);

      // The offset level follows its switch at once.
      auto* enable = field<QCheckBox>(d, "LIMIT_ENABLE");
      auto* level = field<QDoubleSpinBox>(d, "LIMIT_REL");
      QVERIFY(!level->isEnabled());
      enable->click();
      QVERIFY(level->isEnabled());
      level->setValue(15.0);
      field<QDoubleSpinBox>(d, "START_PROZENT")->setValue(75.0);
      field<QRadioButton>(d, "CHANNEL_2")->click();
      field<QPushButton>(d, "OK")->click();
    });
    const MeasParams& mp = program->meas.params;
    QCOMPARE(mp.forcLimitEnable, 1);
    QCOMPARE(mp.forcLimitRelVal, 15.0);
    QCOMPARE(mp.startProzent, 75.0);
    QCOMPARE(mp.hardChn, 1);
    QCOMPARE(mp.sampleRate, 100);
  }

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

  void whileMeasuringTheChannelIsFixed() {
    program->programMode = 1;
    program->meas.processor.setMeasuring(true);
    withDialog(menu::MeasParams, [&](QDialog* d) {
      QVERIFY(!field<QRadioButton>(d, "CHANNEL_1")->isEnabled());
      QVERIFY(!field<QSpinBox>(d, "AVERAGE")->isEnabled());
      QVERIFY(field<QDoubleSpinBox>(d, "SPIKE_LIM")->isEnabled());
      QVERIFY(field<QDoubleSpinBox>(d, "START_TIME")->isEnabled());
    });
    program->meas.processor.setMeasuring(false);
  }

  void germanCaptions() {
    QLocale::setDefault(QLocale(QLocale::German)); // a German system
    shell->switchLanguage(0);
    withDialog(menu::MeasParams, [&](QDialog* d) {
      QCOMPARE(d->windowTitle(), QString("ZARVIK 2012 USB - Setup - Messparameter"));
      QVERIFY(hasLabel(d, "Offset in % des Kolbenbreichs"));
      QVERIFY(hasLabel(d, QString::fromUtf8("Spikeglättung [Pkt.]")));
      QCOMPARE(field<QPushButton>(d, "ESC")->text(), QString("Abbruch"));
    });
    withDialog(menu::Units, [&](QDialog* d) {
      QCOMPARE(d->windowTitle(), QString("ZARVIK 2012 USB - Setup - Haftzug Berechnung"));
      QVERIFY(hasLabel(d, "Multiplikator"));
      QVERIFY(hasLabel(d, QString::fromUtf8("Fläche [mm2]")));
      // Numbers show a decimal point; a typed decimal comma is read as one.
      auto* gain = field<QDoubleSpinBox>(d, "GAIN");
      gain->setValue(1.5);
      QCOMPARE(gain->text(), QString("1.500000"));
      gain->selectAll();
      QTest::keyClicks(gain, "19,6");
      QCOMPARE(gain->value(), 19.6);
    });
    QLocale::setDefault(QLocale::c());
  }

  void bondTensionOkStoresAndAbortDiscards() {
    withDialog(menu::Units, [&](QDialog* d) {
      QCOMPARE(d->windowTitle(), QString("ZARVIK 2012 USB - Setup - Bond Tension Calculation"));
      QVERIFY(hasLabel(d, "Gain"));
      QCOMPARE(field<QLineEdit>(d, "UNIT")->text(), QString("[kN/mm2]"));
      QCOMPARE(field<QLineEdit>(d, "UNIT")->maxLength(), 19);
      field<QDoubleSpinBox>(d, "GAIN")->setValue(1000.0);
      field<QLineEdit>(d, "UNIT")->setText("[N/mm2]");
      field<QPushButton>(d, "ESC")->click();
    });
    QCOMPARE(program->meas.params.gain_press, 1.0);
    QCOMPARE(program->meas.params.unit_press, std::string("[kN/mm2]"));
    withDialog(menu::Units, [&](QDialog* d) {
      field<QDoubleSpinBox>(d, "GAIN")->setValue(1000.0);
      field<QDoubleSpinBox>(d, "OFFSET")->setValue(0.25);
      field<QLineEdit>(d, "UNIT")->setText(QString::fromUtf8("[N/mm²]"));
      field<QPushButton>(d, "OK")->click();
    });
    QCOMPARE(program->meas.params.gain_press, 1000.0);
    QCOMPARE(program->meas.params.offset_press, 0.25);
    QCOMPARE(program->meas.params.unit_press, std::string("[N/mm\xB2]"));
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
