// The order table and the storage table on a real data set, offscreen.
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

#include "common/zv_window_rig.hpp"
#include "ui/zv_order_window.hpp"
#include "ui/zv_storage_window.hpp"

using namespace zv;

class TestTables : public QObject, test::ShellRig {
  Q_OBJECT

  OrderWindow* order() { return static_cast<OrderWindow*>(shell->window(WindowId::Order)); }
  StorageWindow* storage() { return static_cast<StorageWindow*>(shell->window(WindowId::Storage)); }
  QString cell(int r, int c) { return order()->model()->index(r, c).data().toString(); }

private slots:
  void init() {
    newProgram();
    loadDataSet(3, 3);
    program->data.model.addMeasurements(0, 0, 2);
    program->data.model.renumber();
    openShell();
    program->singlePanel = 0;
    shell->showWindow(WindowId::Order);
    shell->showWindow(WindowId::Storage);
  }

  void cleanup() { endProgram(); }

  // A force typed into the table's editor keeps every digit and shows the display decimals (the
  // rules are TablesFixture's); the change reaches the statistics and the order table's count.
  void typingOverAForceUpdatesBothWindows() {
    QTableView* table = storage()->table();
    StorageTableModel* m = storage()->model();
    const QModelIndex force = m->index(0, StorageTableModel::Force);
    table->setCurrentIndex(force);
    table->edit(force);
    auto* editor = table->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText("1,2346");
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(program->data.model.currentStorage()->measurements[0].force, 1.2346);
    QVERIFY(m->setData(m->index(1, StorageTableModel::Force), "2,0", Qt::EditRole));
    for (int row : {0, 1})
      QVERIFY(m->setData(m->index(row, StorageTableModel::OnOff), Qt::Checked, Qt::CheckStateRole));
    const double area = program->data.model.currentStorage()->measurements[0].area;
    QCOMPARE((QStringList{force.data().toString(),
                          m->index(0, StorageTableModel::Status).data().toString(),
                          storage()->statistic(0)->text()}),
             (QStringList{"1.235", "Typed Over", QString::number(1.6173 / area, 'f', 2)}));
    QVERIFY(cell(0, 0).contains("(2)") && order()->table()->isVisible());
  }

  // Text Latin-1 cannot hold is refused with a message where it is typed, here in the header
  // editor of a sample's name.
  void textOutsideLatin1IsRefused() {
    QLineEdit* edit = order()->editHeader(Qt::Vertical, 0);
    QString popup;
    test::answerBox("OK", &popup);
    edit->setFocus();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("测"));
    QApplication::sendEvent(edit, &typed);
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY2(popup.contains("Latin-1"), qPrintable(popup));
    QCOMPARE(program->data.model.dataSet()->samples[0].name, std::string("P1"));
  }

  void timingColumnsComeFromTheCurveAndFlagWhatExceedsTheLimits() {
    Measurement& m = program->data.model.currentStorage()->measurements[0];
    m.area = 100.0;
    m.curveRate = 100;
    m.points.assign(100, 0.0); // 1 s at rest, 10 s at 0.2 kN/s, held: 2 MPa/s
    for (int i = 1; i <= 1000; ++i)
      m.points.push_back(i * 0.002);
    m.points.insert(m.points.end(), 50, 2.0);
    m.pointCount = static_cast<std::int32_t>(m.points.size());
    StorageTableModel* t = storage()->model();
    auto at = [t](int row, int column, int role = Qt::DisplayRole) {
      return t->index(row, column).data(role);
    };
    QCOMPARE(at(0, StorageTableModel::TimeToFailure).toString() + " " +
                 at(0, StorageTableModel::LoadingRate).toString() + " " +
                 at(0, StorageTableModel::LoadingRate, Qt::ToolTipRole).toString(),
             QString("10.0 2.000 too fast"));
    QVERIFY(at(0, StorageTableModel::LoadingRate, Qt::ForegroundRole).isValid());
  }

  void rightDoubleClickOpensTheStorageTable() {
    storage()->hide();
    program->singlePanel = 1;
    QTableView* table = order()->table();
    const QRect r = table->visualRect(order()->model()->index(1, 2));
    QTest::mouseDClick(table->viewport(), Qt::RightButton, {}, r.center());
    const DataSet& d = *program->data.model.dataSet();
    // Single-panel mode hides the others.
    QCOMPARE((std::tuple{d.currentSample, d.currentStorage, storage()->isVisible(),
                         order()->isVisible()}),
             (std::tuple{1, 2, true, false}));
  }
};

QTEST_MAIN(TestTables)
#include "test_tables.moc"
