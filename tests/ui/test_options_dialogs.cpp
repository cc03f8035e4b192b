// Options > Data Set and Help > Program Info offscreen in both languages: captions, values,
// nothing clipped, OK storing and Abort, Esc and the close box not, the fixed type while
// measuring, and the chosen type being what Save As proposes and writes.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "common/zv_modal.hpp"
#include "common/zv_qt_quiet.hpp"
#include "common/zv_shell_rig.hpp"
#include "program/zv_menu_table.hpp"
#include "ui/zv_dataset_options_dlg.hpp"
#include "ui/zv_program_info_dlg.hpp"

using namespace zv;

class TestOptionsDialogs : public QObject, test::ShellRig {
  Q_OBJECT

  static QString shown(QDialog* d, const char* name) {
    auto* l = d->findChild<QLabel*>(name);
    return l ? l->text() : QString("<missing %1>").arg(name);
  }
  // Every caption of the dialog (the named value fields left out); `clipped` gets every text
  // whose control is narrower than the text needs.
  static QStringList captions(QDialog* d, QStringList& clipped) {
    QStringList out;
    for (QLabel* l : d->findChildren<QLabel*>()) {
      if (l->objectName().isEmpty() && !l->text().isEmpty())
        out << l->text();
      if (l->width() < l->sizeHint().width())
        clipped << l->text();
    }
    for (QAbstractButton* b : d->findChildren<QAbstractButton*>()) {
      out << b->text();
      if (b->width() < b->sizeHint().width())
        clipped << b->text();
    }
    for (QGroupBox* g : d->findChildren<QGroupBox*>())
      out << g->title();
    if (d->width() < d->sizeHint().width() || d->height() < d->sizeHint().height())
      clipped << d->windowTitle();
    return out;
  }
  // With ZV_SCREENSHOTS set, the dialog as PNG in that directory.
  static void screenshot(QDialog* d, const QString& name) {
    const QByteArray where = qgetenv("ZV_SCREENSHOTS");
    if (!where.isEmpty())
      d->grab().save(QString::fromLocal8Bit(where) + "/" + name + ".png");
  }
  void loadSmallDataSet() {
    program->data.model.createDataSet();
    program->data.model.addSamples(1);
    program->data.model.addStorages(2);
    program->data.model.renumber();
    program->data.files.setDataFile(dir.file("OPT.BIN"));
    QCOMPARE(program->data.files.saveDataSet(), 0);
    program->data.files.markLoaded();
  }

private slots:
  void initTestCase() { test::installQuietMessageHandler(); }
  void init() {
    newProgram();
    openShell();
  }
  void cleanup() { endProgram(); }

  void dataSetDialogWithoutADataSetInEnglish() {
    program->data.files.state().dataDirectory = "/data/orders";
    withDialog(menu::Dir, [&](QDialog* d) {
      QCOMPARE(d->windowTitle(), QString("ZARVIK 2012 USB - Options - Data Set"));
      QStringList clipped;
      const QStringList texts = captions(d, clipped);
      QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(", ")));
      for (const char* caption :
           {"Data Set Setup", "Data Set Info", "Directory for data sets and graphic", "Selection",
            "Save graphic data", "Type of the date file", "Directory for restore files",
            "Dataset Version", "No. Samples", "No. Storages", "No. Measurings", "No. Plots", "OK",
            "Abort"})
        QVERIFY2(texts.contains(caption), caption);
      QCOMPARE(d->findChild<QLineEdit*>("DIRECTORY")->text(), QString("/data/orders"));
      QVERIFY(d->findChild<QRadioButton*>("TYPE_BIN")->isChecked());
      QCOMPARE(shown(d, "BACKUP_DIR"), QString::fromStdString(dir.path().string() + "/Backup/"));
      for (const char* empty :
           {"DATA_CODE", "SAMPLES", "STORAGES", "MEASUREMENTS", "PLOTS", "DATA_FILE", "GRAPH_FILE"})
        QVERIFY2(shown(d, empty).isEmpty(), empty);
      screenshot(d, "options-dataset-en");
    });
  }

  void dataSetDialogInGermanShowsTheDataSetAndOkStores() {
    loadSmallDataSet();
    std::filesystem::remove(dir.file("OPT.BIN.GRF"));
    shell->switchLanguage(0);
    withDialog(menu::Dir, [&](QDialog* d) {
      QCOMPARE(d->windowTitle(), QString("ZARVIK 2012 USB - Optionen - Datensatz"));
      QStringList clipped;
      const QStringList texts = captions(d, clipped);
      QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(", ")));
      for (const char* caption :
           {"Datensatz Setup", "Datensatz Info", "Verzeichnis für Messdaten und Graphik",
            "Auswählen", "Graphikdaten speichern", "Typ des Datenfiles",
            "Verzeichnis der Sicherungsfiles", "Datensatz Version", "Anzahl Proben",
            "Anzahl Lagerungen", "Anzahl Messungen", "Anzahl Plotkurven", "Abbruch"})
        QVERIFY2(texts.contains(QString::fromUtf8(caption)), caption);
      for (const char* english : {"Selection", "Save graphic data", "Abort", "Binary (*.BIN)"})
        QVERIFY2(!texts.contains(english), english);
      QCOMPARE(shown(d, "SAMPLES"), QString("1"));
      QCOMPARE(shown(d, "STORAGES"), QString("2"));
      QCOMPARE(shown(d, "MEASUREMENTS"), QString("2"));
      QCOMPARE(shown(d, "DATA_FILE"), QString::fromStdString(dir.file("OPT.BIN").string()));
      QVERIFY(shown(d, "GRAPH_FILE").isEmpty()); // its graph file is gone
      screenshot(d, "options-dataset-de");
      d->findChild<QLineEdit*>("DIRECTORY")->setText(QString::fromStdString(dir.path().string()));
      d->findChild<QCheckBox*>("SAVE_GRAPH")->setChecked(false);
      d->findChild<QRadioButton*>("TYPE_DAT")->click();
      d->findChild<QPushButton*>("OK")->click();
    });
    const DataFileState& s = program->data.files.state();
    QCOMPARE(s.dataDirectory, dir.path().string());
    QCOMPARE(s.saveGraph, 0);
    QCOMPARE(s.dataWrtTypeSelect, 1);
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
      QCOMPARE(s.dataDirectory, before.dataDirectory);
      QCOMPARE(s.saveGraph, before.saveGraph);
      QCOMPARE(s.dataWrtTypeSelect, before.dataWrtTypeSelect);
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
    for (int language : {1, 0}) {
      shell->switchLanguage(language);
      withDialog(menu::ProgInfo, [&](QDialog* d) {
        QStringList clipped;
        const QStringList texts = captions(d, clipped);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(", ")));
        if (language == 1) {
          QCOMPARE(d->windowTitle(), QString("ZARVIK 2012 USB - Help - Program Info"));
          for (const char* c : {"Filepath INI File", "Filepath Protokoll File", "Directory Backup",
                                "Filepath Temp Graph", "Version ZO_RAZ.DLL"})
            QVERIFY2(texts.contains(c), c);
        } else {
          QCOMPARE(d->windowTitle(), QString("ZARVIK 2012 USB - Hilfe - Programm Info"));
          for (const char* c : {"Dateipfad INI File", "Dateipfad Protokoll File",
                                "Verzeichnis Backup", "Dateipfad Temporär Graphik"})
            QVERIFY2(texts.contains(QString::fromUtf8(c)), c);
          for (const QString& t : texts)
            QVERIFY2(!t.contains("Width") && !t.contains("Directory") && !t.contains("Files"),
                     qPrintable(t));
        }
        const std::string d0 = dir.path().string();
        QCOMPARE(shown(d, "INI_FILE"), QString::fromStdString(d0 + "/ZARVIK.INI"));
        QCOMPARE(shown(d, "LOG_FILE"), QString::fromStdString(d0 + "/zarviklog.txt"));
        QCOMPARE(shown(d, "BACKUP_DIR"), QString::fromStdString(d0 + "/Backup/"));
        QCOMPARE(shown(d, "TEMP_GRAPH"), QString::fromStdString(d0 + "/Graph/"));
        QCOMPARE(shown(d, "VERSION"), QString("ZARVIK.BAK 1"));
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
