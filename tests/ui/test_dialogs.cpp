// The dialogs of the menus offscreen: each shows the program's values, its controls reach the
// flow behind it (whose rules are tests/program's: what Save As proposes after Options > Data
// Set is OptionsFixture's), OK keeps, Abort, Escape and the close box do not, and text Latin-1
// cannot hold is refused where it is typed.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <fstream>

#include "common/zv_window_rig.hpp"
#include "core/zv_edit_ops.hpp"
#include "program/zv_menu_table.hpp"
#include "ui/zv_copy_dlg.hpp"
#include "ui/zv_delete_dlg.hpp"
#include "ui/zv_device_dlg.hpp"
#include "ui/zv_evaluation_dlg.hpp"
#include "ui/zv_new_dataset_dlg.hpp"

using namespace zv;
using test::child;
using test::labelText;
using test::labelTexts;

namespace {

// Channel 0 has the built-in lists, channel 1 lists of its own.
struct TwoChannels final : ChannelLists {
  TwoChannels() {
    second.pistons.insert(50.0);
    second.pistons.removeAt(0);
    second.areas.insert(12.5);
  }
  const DeviceListSource& channelLists(int channel) const override {
    return channel == 1 ? static_cast<const DeviceListSource&>(second) : first;
  }
  BuiltInDeviceLists first, second;
};

QStringList rows(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i)
    out << list->item(i)->text();
  return out;
}
// Runs the dialog until `act` (run from inside it) closes it; its result.
int run(QDialog& d, std::function<void()> act) {
  QTimer::singleShot(0, act);
  return d.exec();
}
void closeBy(QDialog* d, const char* button) {
  child<QPushButton>(d, button)->click();
}
} // namespace

class TestDialogs : public QObject, test::ShellRig {
  Q_OBJECT

  // With ZV_TOUR_DIR set, the dialog as a picture for the documentation.
  static void picture(QDialog* d, const QString& name) {
    if (!tourDir().isEmpty())
      d->grab().save(tourDir() + "/" + name + ".png");
  }
  std::tuple<std::string, int, int> dataFileOptions() {
    const DataFileState& s = program->data.files.state();
    return {s.dataDirectory, s.saveGraph, s.dataWrtTypeSelect};
  }

private slots:
  void cleanup() { endProgram(); }

  void dataSetOptionsShowTheDataSetAndOkStores() {
    newProgram(true, true);
    program->data.files.state().dataDirectory = "/data/orders";
    withDialog(menu::Dir, [&](QDialog* d) {
      QCOMPARE((QStringList{d->windowTitle(), child<QLineEdit>(d, "DIRECTORY")->text()} +
                labelTexts(d, {"BACKUP_DIR", "SAMPLES", "DATA_FILE"})),
               (QStringList{"ZARVIK 2012 USB - Options - Data Set", "/data/orders",
                            QString::fromStdString(dir.path().string() + "/Backup/"), "", ""}));
      QVERIFY(child<QRadioButton>(d, "TYPE_BIN")->isChecked());
      picture(d, "options-dataset-en");
    });
    loadDataSet(1, 2);
    program->data.files.setDataFile(dir.file("OPT.BIN"));
    QCOMPARE(program->data.files.saveDataSet(), 0);
    std::filesystem::remove(dir.file("OPT.BIN.GRF"));
    shell->switchLanguage(0);
    withDialog(menu::Dir, [&](QDialog* d) {
      QCOMPARE((QStringList{d->windowTitle()} +
                labelTexts(d, {"SAMPLES", "STORAGES", "MEASUREMENTS", "DATA_FILE", "GRAPH_FILE"})),
               (QStringList{"ZARVIK 2012 USB - Optionen - Datensatz", "1", "2", "2",
                            QString::fromStdString(dir.file("OPT.BIN").string()), ""}));
      picture(d, "options-dataset-de");
      child<QLineEdit>(d, "DIRECTORY")->setText(QString::fromStdString(dir.path().string()));
      child<QCheckBox>(d, "SAVE_GRAPH")->setChecked(false);
      child<QRadioButton>(d, "TYPE_DAT")->click();
      child<QPushButton>(d, "OK")->click();
    });
    QCOMPARE(dataFileOptions(), (std::tuple{dir.path().string(), 0, 1}));
  }

  void programInfoAndVersionInBothLanguages() {
    newProgram(true, true);
    program->config.clipboard = {0, 3, 5, 14};
    program->logFilePath = dir.path() / "zarviklog.txt";
    const QString d0 = QString::fromStdString(dir.path().string());
    for (auto [language, title] : {std::pair{1, "ZARVIK 2012 USB - Help - Program Info"},
                                   std::pair{0, "ZARVIK 2012 USB - Hilfe - Programm Info"}}) {
      shell->switchLanguage(language);
      withDialog(menu::ProgInfo, [&](QDialog* d) {
        QCOMPARE((QStringList{d->windowTitle()} +
                  labelTexts(d, {"INI_FILE", "LOG_FILE", "BACKUP_DIR", "TEMP_GRAPH", "VERSION",
                                 "OPT_KOMMA", "TABLE_PREC", "NUMBER_WIDTH", "RESULT_WIDTH"})),
                 (QStringList{title, d0 + "/ZARVIK.INI", d0 + "/zarviklog.txt", d0 + "/Backup/",
                              d0 + "/Graph/", "ZARVIK.BAK 1", "0", "3", "5", "14"}));
        picture(d, language == 1 ? "program-info-en" : "program-info-de");
        child<QPushButton>(d, "OK")->click();
        QVERIFY(!d->isVisible());
      });
    }
    withDialog(menu::Info, [](QDialog* d) {
      QCOMPARE(labelText(d, "VERSION"), QString(" 6. 4"));
      child<QPushButton>(d, "QUIT")->click();
    });
    program->meas.params.productType = "USB-6210";
    program->meas.params.deviceName = "Dev1";
    withDialog(menu::Hard, [](QDialog* d) {
      QCOMPARE(labelTexts(d, {"PRODUCT", "DEVICE"}), (QStringList{"USB-6210", "Dev1"}));
      child<QPushButton>(d, "QUIT")->click();
    });
  }

  // OK stores the changed field and keeps the digits of the others.
  void measParamsOk() {
    newProgram(true, true);
    program->programMode = 1;
    MeasParams& p = program->meas.params;
    p.dTrigDiffTime = 399.0 / 64; // more digits than the field shows
    withDialog(menu::MeasParams, [&](QDialog* d) {
      child<QDoubleSpinBox>(d, "STOP_TIME")->setValue(3.0);
      closeBy(d, "OK");
    });
    QCOMPARE((std::tuple{p.stopTime, p.dTrigDiffTime}), (std::tuple{3.0, 399.0 / 64}));
  }

  // OK hands the typed unit to the flow (whose rules are SetupFixture's).
  void unitsOk() {
    newProgram(true, true);
    withDialog(menu::Units, [&](QDialog* d) {
      child<QLineEdit>(d, "UNIT")->setText("[N/mm2]");
      child<QPushButton>(d, "OK")->click();
    });
    QCOMPARE(program->meas.params.unit_press, std::string("[N/mm2]"));
  }

  void copyAndDeleteNameTheirRecordsAndCloseWithEachChoice() {
    newProgram(false);
    program->lang.language = 1;
    loadDataSet(3, 3);
    DataSetModel& model = program->data.model;
    model.addMeasurements(1, 1, 4);
    model.renumber();
    DataSet& ds = *model.dataSet();
    ds.samples[1].storages[2].name = "Wasser";
    std::tie(ds.currentSample, ds.currentStorage) = std::tuple{1, 2};
    CopyDialog shown(model, program->lang, "Z");
    QCOMPARE((QStringList{shown.windowTitle()} +
              labelTexts(&shown, {"SOURCE_SAMPLE", "SOURCE_STORAGE"})),
             (QStringList{"Z - Edit - Copying the Storage parameters", "P2", "Wasser"}));
    for (auto [name, target] : {std::pair{"FOLLOWING_STORAGES", CopyTarget::FollowingStorages},
                                std::pair{"FOLLOWING_SAMPLES", CopyTarget::FollowingSamples},
                                std::pair{"ALL", CopyTarget::All}}) {
      CopyDialog d(model, program->lang, "Z");
      QCOMPARE(run(d, [&] { closeBy(&d, name); }), int(QDialog::Accepted));
      QVERIFY(d.target() == target);
    }
    CopyDialog c(model, program->lang, "Z");
    run(c, [&] { closeBy(&c, "CLOSE"); });
    QVERIFY(!c.target());

    std::tie(ds.currentStorage, ds.currentMeasurement) = std::tuple{1, 2};
    DeleteDialog d(model, DeleteMode::Measurement, program->lang, "Z");
    QCOMPARE((QStringList{d.windowTitle()} +
              labelTexts(&d, {"CURRENT_SAMPLE", "CURRENT_STORAGE", "CURRENT_MEASURING"})),
             (QStringList{"Z - Edit - Delete Data sets", "P2", "L2", "3"}));
    QCOMPARE(model.sampleCount(), 3); // the dialog itself deletes nothing
  }

  // Add and Delete reach the list editor (its rules are EvaluationListEditor's), the list is
  // redrawn and the focus goes back to it; OK keeps what was done, Abort not.
  void evaluationListAddDeleteOkAbortAndLatin1() {
    newProgram(false);
    const auto entries = [&] { return program->data.evaluations.entries(); };
    for (const char* how : {"ABORT", "OK"}) {
      EvaluationDialog d(*program);
      d.show();
      QVERIFY(QTest::qWaitForWindowActive(&d));
      auto* list = child<QListWidget>(&d, "LIST");
      const auto add = [&](const QString& text) {
        child<QLineEdit>(&d, "ENTRY")->setFocus();
        child<QLineEdit>(&d, "ENTRY")->setText(text);
        child<QPushButton>(&d, "ADD")->click();
      };
      QString popup;
      test::onNextModal<QMessageBox>([&popup](QMessageBox* box) {
        popup = box->text();
        box->accept();
      });
      add(QString::fromUtf8("Ω1"));
      QVERIFY2(popup.contains("Latin-1"), qPrintable(popup));
      add("au");
      add(QString::fromUtf8("Ä1"));
      QCOMPARE(rows(list), QStringList({"AU", "AX", "AZ", "au", QString::fromUtf8("Ä1")}));
      QCOMPARE((std::tuple{list->currentRow(), program->data.evaluations.currentIndex()}),
               (std::tuple{4, 4}));
      QCOMPARE(child<QPushButton>(&d, "OK")->text(), QString("OK"));
      QVERIFY(!child<QPushButton>(&d, "ABORT")->isHidden());
      QCOMPARE(d.focusWidget(), static_cast<QWidget*>(list));
      list->setCurrentRow(1);
      child<QPushButton>(&d, "DELETE")->setFocus();
      child<QPushButton>(&d, "DELETE")->click();
      QCOMPARE(child<QLineEdit>(&d, "ENTRY")->text(), QString("AX")); // to be typed in again
      QCOMPARE(d.focusWidget(), static_cast<QWidget*>(list));
      closeBy(&d, how);
      QCOMPARE(d.result(), int(QByteArray(how) == "OK" ? QDialog::Accepted : QDialog::Rejected));
    }
    QCOMPARE(entries(), (std::vector<std::string>{"AU", "AZ", "au",
                                                  "\xC4"
                                                  "1"}));
  }

  void newDataSetStartsFromTheDefaultsAndOkHandsBackTheFields() {
    test::quietQt();
    TwoChannels lists;
    DataSetLimits limits;
    limits.setMaxSamples(12);
    Language lang;
    // Ident number and name, 3 samples P, 4 storages L, channel 0, 20 kN, 3 mm², 100 N/s.
    NewDataSetDialog d({"--", "New", 3, "P", 4, "L", 0, 20.0, 3.0, 100.0}, limits, lists, lang,
                       "T");
    auto* samples = child<QSpinBox>(&d, "SAMPLE_COUNT");
    auto* range = child<QComboBox>(&d, "RANGE");
    auto* area = child<QComboBox>(&d, "AREA");
    QCOMPARE((std::tuple{child<QLineEdit>(&d, "IDENT_NAME")->text(),
                         child<QLineEdit>(&d, "IDENT_NO")->maxLength(),
                         child<QLineEdit>(&d, "SAMPLE_PREFIX")->maxLength(), samples->minimum(),
                         samples->maximum(), child<QSpinBox>(&d, "STORAGE_COUNT")->value(),
                         range->currentText(), area->currentData().toDouble()}),
             (std::tuple{QString("New"), 79, 29, 1, 12, 4, QString("  20.000"), 3.0}));
    child<QLineEdit>(&d, "IDENT_NO")->setText(QString::fromUtf8("Prüfung 7"));
    samples->setValue(2);
    child<QLineEdit>(&d, "STORAGE_PREFIX")->setText("T");
    child<QComboBox>(&d, "CHANNEL")->setCurrentIndex(1);
    range->setCurrentIndex(2);
    child<QComboBox>(&d, "SPEED")->setCurrentIndex(1);
    QCOMPARE(run(d, [&] { closeBy(&d, "OK"); }), int(QDialog::Accepted));
    const NewDataSetInput in = d.input();
    QCOMPARE((std::tuple{in.identNumber, in.sampleCount, in.storagePrefix, in.channel, in.range,
                         in.speed, in.area}),
             (std::tuple{std::string("Pr\xFC"
                                     "fung 7"),
                         2, std::string("T"), 1, 50.0, 200.0, 3.0}));
  }

  // A name typed and OK pressed at once is committed before the device's file is saved.
  void deviceDialogSavesWhatWasTypedLast() {
    newProgram(false);
    program->meas.devices.createBoth(dir.path());
    const auto path = dir.path() / "tester1.ZRK";
    TesterDevice& d = *program->meas.devices.device(0);
    d.setFilePath(path);
    d.takeSavedChecksum();
    DeviceDialog dialog(*program, 0);
    dialog.show();
    child<QLineEdit>(&dialog, "NAME")->setText(QString::fromUtf8("Prüfer 1"));
    child<QPushButton>(&dialog, "OK")->click();
    QVERIFY(test::TestDir::readFile(path).find("Name = \"Pr\xfc"
                                               "fer 1\"") != std::string::npos);
    QVERIFY(!d.changed());
  }

  void deviceDialogLoadsTheChosenFileAndTheMenuOpensItForItsDevice() {
    newProgram(false, true);
    program->meas.devices.createBoth(dir.path());
    const auto path = dir.path() / "\xE6\xB5\x8B\xE8\xAF\x95.ZRK"; // a name Latin-1 cannot hold
    TesterDevice source;
    source.setName("From file");
    source.speeds.insert(42.0);
    std::ofstream(path, std::ios::binary) << deviceFileText(source);
    QString title;
    test::onNextModal<DeviceDialog>([&](DeviceDialog* dialog) {
      title = dialog->windowTitle();
      test::onNextModal<QFileDialog>([&](QFileDialog* fileDialog) {
        // The platform file dialog: answer with the file's path.
        if (auto* name = fileDialog->findChild<QLineEdit*>("fileNameEdit"))
          name->setText(QString::fromStdString(path.string()));
        static_cast<QDialog*>(fileDialog)->accept();
      });
      child<QPushButton>(dialog, "LOAD")->click();
      QCOMPARE((QStringList{child<QLineEdit>(dialog, "NAME")->text(),
                            child<QLineEdit>(dialog, "FILE")->text(),
                            QString::number(child<QListWidget>(dialog, "SPEEDS")->count()),
                            child<QPushButton>(dialog, "OK")->text()}),
               (QStringList{"From file", QString::fromUtf8("\xE6\xB5\x8B\xE8\xAF\x95.ZRK"), "4",
                            "Close"}));
      child<QPushButton>(dialog, "OK")->click();
    });
    shell->command(menu::Device2, shell->logWindow());
    QCOMPARE(title, QString("ZARVIK 2012 USB - Setup - Devicefile 2"));
    QCOMPARE((std::tuple{program->meas.devices.shownDevice(), program->meas.devices.device(1)->name,
                         shell->openDialog() == nullptr}),
             (std::tuple{1, std::string("From file"), true}));
  }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
