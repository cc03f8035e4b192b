// "File - New": initial values and limits, the channel's rings, the Latin-1 check and OK/Abort.
// The flow behind it (building and saving the data set) is FileCommands' (tests/program).
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "common/zv_child.hpp"
#include "common/zv_qt_quiet.hpp"
#include "core/zv_edit_ops.hpp"
#include "ui/zv_new_dataset_dlg.hpp"

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
  return {.identNumber = "--",
          .identName = "New",
          .sampleCount = 3,
          .samplePrefix = "P",
          .storageCount = 4,
          .storagePrefix = "L",
          .channel = 0,
          .range = 20.0,
          .area = 3.0,
          .speed = 100.0};
}
} // namespace

class TestNewDataSetDialog : public QObject {
  Q_OBJECT
  TwoChannels lists;
  DataSetLimits limits;
  Language lang;

  template <class T> T* child(QDialog& d, const char* name) { return test::child<T>(&d, name); }

private slots:
  void initTestCase() { test::installQuietMessageHandler(); }

  void startsFromTheDefaultsAndTheChannelRefillsTheRings() {
    limits.setMaxSamples(12);
    NewDataSetDialog d(initial(), limits, lists, lang, "T");
    QCOMPARE(child<QLineEdit>(d, "IDENT_NAME")->text(), QString("New"));
    QCOMPARE(child<QLineEdit>(d, "IDENT_NO")->maxLength(), 79);
    QCOMPARE(child<QLineEdit>(d, "SAMPLE_PREFIX")->maxLength(), 29);
    auto* samples = child<QSpinBox>(d, "SAMPLE_COUNT");
    QCOMPARE(std::tuple(samples->minimum(), samples->maximum()), std::tuple(1, 12));
    QCOMPARE(child<QSpinBox>(d, "STORAGE_COUNT")->value(), 4);
    auto* range = child<QComboBox>(d, "RANGE");
    auto* area = child<QComboBox>(d, "AREA");
    QCOMPARE(range->currentText(), QString("  20.000"));
    QCOMPARE(area->currentData().toDouble(), 3.0);
    child<QComboBox>(d, "CHANNEL")->setCurrentIndex(1); // 20, 30, 50; areas 1, 2, 3, 12.5
    QCOMPARE(
        std::tuple(range->count(), range->currentData().toDouble(), range->itemData(2).toDouble()),
        std::tuple(3, 20.0, 50.0));
    QCOMPARE(std::tuple(area->count(), area->currentData().toDouble()), std::tuple(4, 3.0));
    child<QComboBox>(d, "CHANNEL")->setCurrentIndex(0);
    QCOMPARE(range->itemData(0).toDouble(), 10.0);
  }

  void okHandsBackTheFields() {
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
    QCOMPARE(std::tuple(in.sampleCount, in.storagePrefix, in.channel, in.range, in.speed, in.area),
             std::tuple(2, std::string("T"), 1, 50.0, 200.0, 3.0));
  }

  void textsOutsideLatin1AreRefused() {
    NewDataSetDialog d(initial(), limits, lists, lang, "T");
    child<QLineEdit>(d, "IDENT_NAME")->setText(QString::fromUtf8("Probe €"));
    bool warned = false;
    QTimer::singleShot(0, [&] { child<QPushButton>(d, "OK")->click(); }); // the warning, no close
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
};

QTEST_MAIN(TestNewDataSetDialog)
#include "test_new_dataset_dlg.moc"
