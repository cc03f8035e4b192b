// "Edit - Copying the Storage parameters" and "Edit - Delete Data sets": the records they name,
// the choice each button closes with, and the close box. What the choice does is FileCommands'.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "common/zv_dialog_rig.hpp"
#include "common/zv_qt_quiet.hpp"
#include "ui/zv_copy_dlg.hpp"
#include "ui/zv_delete_dlg.hpp"

using namespace zv;

class TestEditDialogs : public QObject, test::DialogRig {
  Q_OBJECT

  // Runs the dialog until `act` closes it; its result.
  static int run(QDialog& d, std::function<void()> act) {
    QTimer::singleShot(0, act);
    return d.exec();
  }
  static std::function<void()> click(QDialog& d, const char* name) {
    return [&d, name] { d.findChild<QPushButton*>(name)->click(); };
  }

private slots:
  void initTestCase() { test::installQuietMessageHandler(); }
  void init() {
    newModel(3, 3).addMeasurements(1, 1, 4);
    model->renumber();
    model->dataSet()->samples[1].storages[2].name = "Wasser";
    model->dataSet()->currentSample = 1;
    model->dataSet()->currentStorage = 2;
  }

  void copyNamesTheSourceAndClosesWithEachChoice() {
    CopyDialog shown(*model, lang, "Z");
    QCOMPARE(shown.windowTitle(), QString("Z - Edit - Copying the Storage parameters"));
    QCOMPARE(text(shown, "SOURCE_SAMPLE") + "/" + text(shown, "SOURCE_STORAGE"), "P2/Wasser");
    for (auto [name, target] : {std::pair{"FOLLOWING_STORAGES", CopyTarget::FollowingStorages},
                                std::pair{"FOLLOWING_SAMPLES", CopyTarget::FollowingSamples},
                                std::pair{"ALL", CopyTarget::All}}) {
      CopyDialog d(*model, lang, "Z");
      QCOMPARE(run(d, click(d, name)), int(QDialog::Accepted));
      QVERIFY(d.target() == target);
    }
    CopyDialog c(*model, lang, "Z");
    run(c, click(c, "CLOSE"));
    QVERIFY(!c.target());
  }

  void deleteNamesTheRecordOfEachModeAndOnlyOkAccepts() {
    model->dataSet()->currentStorage = 1;
    model->dataSet()->currentMeasurement = 2;
    const struct {
      DeleteMode mode;
      QStringList fields;
      const char* warning;
    } modes[] = {{DeleteMode::Sample, {"P2", "<missing>", "<missing>"}, "The current Sample"},
                 {DeleteMode::Storage, {"<missing>", "L2", "<missing>"}, "The current Storage"},
                 {DeleteMode::Measurement, {"P2", "L2", "3"}, "The current Measuring"}};
    for (const auto& m : modes) {
      DeleteDialog d(*model, m.mode, lang, "Z");
      QCOMPARE(d.windowTitle(), QString("Z - Edit - Delete Data sets"));
      QCOMPARE(QStringList({text(d, "CURRENT_SAMPLE"), text(d, "CURRENT_STORAGE"),
                            text(d, "CURRENT_MEASURING")}),
               m.fields);
      QVERIFY(text(d, "WARNING").startsWith(m.warning));
    }
    DeleteDialog ok(*model, DeleteMode::Sample, lang, "Z");
    QCOMPARE(run(ok, click(ok, "OK")), int(QDialog::Accepted));
    DeleteDialog abort(*model, DeleteMode::Sample, lang, "Z");
    QCOMPARE(run(abort, click(abort, "ABORT")), int(QDialog::Rejected));
    DeleteDialog closed(*model, DeleteMode::Sample, lang, "Z");
    QCOMPARE(run(closed, [&] { closed.close(); }), int(QDialog::Rejected));
    QCOMPARE(model->sampleCount(), 3); // the dialog itself deletes nothing
  }
};

QTEST_MAIN(TestEditDialogs)
#include "test_edit_dlgs.moc"
