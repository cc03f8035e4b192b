// The "Setup - Evaluation List" dialog: add and delete with their
// refusals, the entry field, the focus going back to the list, and OK versus Abort.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "common/zv_child.hpp"
#include "common/zv_fakes.hpp"
#include "common/zv_modal.hpp"
#include "common/zv_qt_quiet.hpp"
#include "common/zv_shell_rig.hpp"
#include "common/zv_testdir.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_evaluation_dlg.hpp"
#include "ui/zv_qt_ports.hpp"

using namespace zv;

namespace {

std::vector<std::string> entries(const Program& p) {
  return p.data.evaluations.entries();
}
} // namespace

class TestEvaluationDialog : public QObject, test::ShellRig {
  Q_OBJECT
  std::unique_ptr<EvaluationDialog> dialog;

  template <class T> T* child(const char* name) { return test::child<T>(dialog.get(), name); }
  QListWidget* list() { return child<QListWidget>("LIST"); }
  QStringList rows() {
    QStringList out;
    for (int i = 0; i < list()->count(); ++i)
      out << list()->item(i)->text();
    return out;
  }
  QString label(const char* name) { return child<QPushButton>(name)->text(); }
  void open() {
    dialog = std::make_unique<EvaluationDialog>(*program);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
  }
  // Types into the entry field (which takes the focus) and presses Add.
  void add(const QString& text) {
    child<QLineEdit>("ENTRY")->setFocus();
    child<QLineEdit>("ENTRY")->setText(text);
    child<QPushButton>("ADD")->click();
  }

private slots:
  void initTestCase() { test::installQuietMessageHandler(); }

  void init() { newProgram(false); }

  void cleanup() {
    dialog.reset();
    endProgram();
  }

  void addSortsSelectsAndGivesTheFocusBack() {
    open();
    add("au");
    add("B1");
    QCOMPARE(rows(), QStringList({"AU", "AX", "AZ", "B1", "au"}));
    QCOMPARE(list()->currentRow(), 3);
    QCOMPARE(program->data.evaluations.currentIndex(), 3);
    QCOMPARE(label("OK"), QString("OK"));
    QVERIFY(!child<QPushButton>("ABORT")->isHidden());
    QCOMPARE(dialog->focusWidget(), static_cast<QWidget*>(list()));
    child<QPushButton>("OK")->click();
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(entries(*program), (std::vector<std::string>{"AU", "AX", "AZ", "B1", "au"}));
  }

  void deletePutsTheTextIntoTheEntryFieldButKeepsOneEntry() {
    open();
    list()->setCurrentRow(1);
    child<QPushButton>("DELETE")->setFocus();
    child<QPushButton>("DELETE")->click();
    QCOMPARE(rows(), QStringList({"AU", "AZ"}));
    QCOMPARE(child<QLineEdit>("ENTRY")->text(), QString("AX"));
    QCOMPARE(dialog->focusWidget(), static_cast<QWidget*>(list()));
    child<QPushButton>("DELETE")->click();
    QCOMPARE(rows().size(), 1);
    QString popup;
    test::confirmPopup(&popup);
    child<QPushButton>("DELETE")->click();
    QCOMPARE(popup, QString("The list must at least contain one element"));
    QCOMPARE(rows().size(), 1);
    dialog->reject();
    QCOMPARE(entries(*program), (std::vector<std::string>{"AU", "AX", "AZ"}));
  }

  void abortAndTheCloseBoxRestoreTheList() {
    open();
    add("NEW");
    child<QPushButton>("ABORT")->click();
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(entries(*program), (std::vector<std::string>{"AU", "AX", "AZ"}));

    open();
    list()->setCurrentRow(0);
    child<QPushButton>("DELETE")->click();
    dialog->close();
    QCOMPARE(entries(*program), (std::vector<std::string>{"AU", "AX", "AZ"}));
  }

  void textsLatin1CannotHoldAreRefused() {
    open();
    QString popup;
    test::confirmPopup(&popup);
    add(QString::fromUtf8("Ω1"));
    QVERIFY(popup.contains("Latin-1"));
    QCOMPARE(rows(), QStringList({"AU", "AX", "AZ"}));
    add(QString::fromUtf8("Ä1"));
    QCOMPARE(rows().last(), QString::fromUtf8("Ä1"));
    dialog->reject();
  }
};

QTEST_MAIN(TestEvaluationDialog)
#include "test_evaluation_dlg.moc"
