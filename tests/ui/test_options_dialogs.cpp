// Options > Data Set and Help > Program Info offscreen in both languages: the values shown,
// nothing clipped, OK storing, Abort, Esc and the close box not, the fixed type while measuring,
// and the chosen type being what Save As proposes and writes.
#include <QAbstractButton>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "common/zv_modal.hpp"
#include "common/zv_qt_quiet.hpp"
#include "common/zv_shell_rig.hpp"
#include "program/zv_menu_table.hpp"

using namespace zv;

class TestOptionsDialogs : public QObject, test::ShellRig {
  Q_OBJECT

  static QString shown(QDialog* d, const char* name) {
    auto* l = d->findChild<QLabel*>(name);
    return l ? l->text() : QString("<missing %1>").arg(name);
  }
  // Every text whose control (or the dialog) is smaller than it needs.
  static QStringList clipped(QDialog* d) {
    QStringList out;
    for (QLabel* l : d->findChildren<QLabel*>())
      if (l->width() < l->sizeHint().width())
        out << l->text();
    for (QAbstractButton* b : d->findChildren<QAbstractButton*>())
      if (b->width() < b->sizeHint().width())
        out << b->text();
    if (d->width() < d->sizeHint().width() || d->height() < d->sizeHint().height())
      out << d->windowTitle();
    return out;
  }
  // With ZV_SCREENSHOTS set, the dialog as PNG in that directory.
  static void screenshot(QDialog* d, const QString& name) {
    if (const QByteArray where = qgetenv("ZV_SCREENSHOTS"); !where.isEmpty())
      d->grab().save(QString::fromLocal8Bit(where) + "/" + name + ".png");
  }

private slots:
  void initTestCase() { test::installQuietMessageHandler(); }
  void init() {
    newProgram();
    openShell();
  }
  void cleanup() { endProgram(); }

  void dataSetDialogShowsTheDataSetAndOkStores() {
    program->data.files.state().dataDirectory = "/data/orders";
    withDialog(menu::Dir, [&](QDialog* d) {
      QCOMPARE(d->windowTitle(), QString("ZARVIK 2012 USB - Options - Data Set"));
      QCOMPARE(clipped(d), QStringList());
      QCOMPARE(d->findChild<QLineEdit*>("DIRECTORY")->text(), QString("/data/orders"));
      QVERIFY(d->findChild<QRadioButton*>("TYPE_BIN")->isChecked());
      QCOMPARE(shown(d, "BACKUP_DIR"), QString::fromStdString(dir.path().string() + "/Backup/"));
      QCOMPARE(shown(d, "SAMPLES") + shown(d, "DATA_FILE") + shown(d, "GRAPH_FILE"), QString());
      screenshot(d, "options-dataset-en");
    });
    program->data.model.createDataSet();
    program->data.model.addSamples(1);
    program->data.model.addStorages(2);
    program->data.model.renumber();
    program->data.files.setDataFile(dir.file("OPT.BIN"));
    QCOMPARE(program->data.files.saveDataSet(), 0);
    program->data.files.markLoaded();
    std::filesystem::remove(dir.file("OPT.BIN.GRF"));
    shell->switchLanguage(0);
    withDialog(menu::Dir, [&](QDialog* d) {
      QCOMPARE(d->windowTitle(), QString("ZARVIK 2012 USB - Optionen - Datensatz"));
      QCOMPARE(clipped(d), QStringList());
      QCOMPARE(shown(d, "SAMPLES") + shown(d, "STORAGES") + shown(d, "MEASUREMENTS"), "122");
      QCOMPARE(shown(d, "DATA_FILE"), QString::fromStdString(dir.file("OPT.BIN").string()));
      QVERIFY(shown(d, "GRAPH_FILE").isEmpty()); // its graph file is gone
      screenshot(d, "options-dataset-de");
      d->findChild<QLineEdit*>("DIRECTORY")->setText(QString::fromStdString(dir.path().string()));
      d->findChild<QCheckBox*>("SAVE_GRAPH")->setChecked(false);
      d->findChild<QRadioButton*>("TYPE_DAT")->click();
      d->findChild<QPushButton*>("OK")->click();
    });
    const DataFileState& s = program->data.files.state();
    QCOMPARE(std::tuple(s.dataDirectory, s.saveGraph, s.dataWrtTypeSelect),
             std::tuple(dir.path().string(), 0, 1));
    // The open data set keeps its file; Save As proposes the chosen type and writes it.
    QCOMPARE(program->data.filePath(), dir.file("OPT.BIN").string());
    QString proposed;
    test::onNextModal<QFileDialog>([&](QFileDialog* f) {
      proposed = f->selectedFiles().value(0);
      QMetaObject::invokeMethod(f, "accept");
    });
    shell->command(menu::Save, shell->logWindow());
    QCOMPARE(proposed, QString::fromStdString(dir.file("OPT.DAT").string()));
    QCOMPARE(test::TestDir::readFile(dir.file("OPT.DAT")).substr(0, 9), std::string("[AUFTRAG]"));
  }

  void abortEscAndTheCloseBoxChangeNothing() {
    const DataFileState before = program->data.files.state();
    for (const char* how : {"ABORT", "escape", "close"}) {
      withDialog(menu::Dir, [&](QDialog* d) {
        d->findChild<QLineEdit*>("DIRECTORY")->setText("/elsewhere");
        d->findChild<QCheckBox*>("SAVE_GRAPH")->setChecked(false);
        d->findChild<QRadioButton*>("TYPE_DAT")->click();
        if (QByteArray(how) == "ABORT")
          d->findChild<QPushButton*>("ABORT")->click();
        else if (QByteArray(how) == "escape")
          QTest::keyClick(d, Qt::Key_Escape);
        else
          d->close();
      });
      const DataFileState& s = program->data.files.state();
      QCOMPARE(std::tuple(s.dataDirectory, s.saveGraph, s.dataWrtTypeSelect),
               std::tuple(before.dataDirectory, before.saveGraph, before.dataWrtTypeSelect));
    }
  }

  void theTypeIsFixedWhileMeasuring() {
    program->meas.processor.setMeasuring(true);
    withDialog(menu::Dir, [&](QDialog* d) {
      QVERIFY(!d->findChild<QRadioButton*>("TYPE_DAT")->isEnabled());
      QVERIFY(d->findChild<QCheckBox*>("SAVE_GRAPH")->isEnabled());
    });
    program->meas.processor.setMeasuring(false);
  }

  void programInfoInBothLanguages() {
    program->config.clipboard = {0, 3, 5, 14};
    program->logFilePath = dir.path() / "zarviklog.txt";
    const std::string d0 = dir.path().string();
    for (auto [language, title] : {std::pair{1, "ZARVIK 2012 USB - Help - Program Info"},
                                   std::pair{0, "ZARVIK 2012 USB - Hilfe - Programm Info"}}) {
      shell->switchLanguage(language);
      withDialog(menu::ProgInfo, [&](QDialog* d) {
        QCOMPARE(d->windowTitle(), QString(title));
        QCOMPARE(clipped(d), QStringList());
        QStringList values;
        for (const char* name : {"INI_FILE", "LOG_FILE", "BACKUP_DIR", "TEMP_GRAPH", "VERSION"})
          values << shown(d, name);
        QCOMPARE(values, QStringList({QString::fromStdString(d0 + "/ZARVIK.INI"),
                                      QString::fromStdString(d0 + "/zarviklog.txt"),
                                      QString::fromStdString(d0 + "/Backup/"),
                                      QString::fromStdString(d0 + "/Graph/"), "ZARVIK.BAK 1"}));
        QCOMPARE(shown(d, "OPT_KOMMA") + shown(d, "TABLE_PREC") + shown(d, "NUMBER_WIDTH") +
                     shown(d, "RESULT_WIDTH"),
                 QString("03514"));
        screenshot(d, language == 1 ? "program-info-en" : "program-info-de");
        d->findChild<QPushButton*>("OK")->click();
        QVERIFY(!d->isVisible());
      });
    }
  }
};

QTEST_MAIN(TestOptionsDialogs)
#include "test_options_dialogs.moc"
