// "Edit - Delete Data sets": the fields and the warning of each mode, OK and Abort.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "common/zv_dialog_rig.hpp"
#include "common/zv_qt_quiet.hpp"
#include "core/zv_dataset.hpp"
#include "ui/zv_delete_dlg.hpp"

using namespace zv;

class TestDeleteDialog : public QObject, test::DialogRig {
  Q_OBJECT

private slots:
  void initTestCase() { test::installQuietMessageHandler(); }
  void init() {
    newModel(3, 2).addMeasurements(1, 1, 4);
    model->renumber();
    model->dataSet()->currentSample = 1;
    model->dataSet()->currentStorage = 1;
    model->dataSet()->currentMeasurement = 2;
  }

  void eachModeNamesItsRecordAndWarns() {
    DeleteDialog sample(*model, DeleteMode::Sample, lang, "Z");
    QCOMPARE(sample.windowTitle(), QString("Z - Edit - Delete Data sets"));
    QCOMPARE(text(sample, "CURRENT_SAMPLE"), QString("P2"));
    QVERIFY(!sample.findChild<QLabel*>("CURRENT_STORAGE"));
    QCOMPARE(text(sample, "WARNING"),
             QString("The current Sample is deleted with all Storages and Measurings from the "
                     "data set!"));

    DeleteDialog storage(*model, DeleteMode::Storage, lang, "Z");
    QCOMPARE(text(storage, "CURRENT_STORAGE"), QString("L2"));
    QCOMPARE(text(storage, "WARNING"),
             QString("The current Storage is deleted in all Samples and with all Measurings "
                     "from the data set"));

    DeleteDialog meas(*model, DeleteMode::Measurement, lang, "Z");
    QCOMPARE(text(meas, "CURRENT_SAMPLE"), QString("P2"));
    QCOMPARE(text(meas, "CURRENT_STORAGE"), QString("L2"));
    QCOMPARE(text(meas, "CURRENT_MEASURING"), QString("3"));
    QCOMPARE(text(meas, "WARNING"), QString("The current Measuring is deleted from the data set!"));
  }

  void okAcceptsAndAbortRejects() {
    DeleteDialog d(*model, DeleteMode::Sample, lang, "Z");
    QTimer::singleShot(0, [&] { d.findChild<QPushButton*>("OK")->click(); });
    QCOMPARE(d.exec(), int(QDialog::Accepted));
    DeleteDialog e(*model, DeleteMode::Sample, lang, "Z");
    QTimer::singleShot(0, [&] { e.findChild<QPushButton*>("ABORT")->click(); });
    QCOMPARE(e.exec(), int(QDialog::Rejected));
    DeleteDialog f(*model, DeleteMode::Sample, lang, "Z");
    QTimer::singleShot(0, [&] { f.close(); });
    QCOMPARE(f.exec(), int(QDialog::Rejected));
    QCOMPARE(model->sampleCount(), 3); // the dialog itself deletes nothing
  }
};

QTEST_MAIN(TestDeleteDialog)
#include "test_delete_dlg.moc"
