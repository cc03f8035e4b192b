// The order table and the storage table on a real data set, offscreen.
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
};

QTEST_MAIN(TestTables)
#include "test_tables.moc"
