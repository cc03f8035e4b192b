// The "Setup - Evaluation List" dialog: add and delete, the entry field, the focus going back to
// the list, OK versus Abort and the close box, and the Latin-1 rule of the entry.
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

  // Add and Delete reach the list editor (its rules are EvaluationListEditor's), the list is
  // redrawn and the focus goes back to it; OK keeps what was done.
  void addDeleteAndOk() {
    open();
    add("au");
    add("B1");
    QCOMPARE(rows(), QStringList({"AU", "AX", "AZ", "B1", "au"}));
    QCOMPARE(list()->currentRow(), 3);
    QCOMPARE(program->data.evaluations.currentIndex(), 3);
    QCOMPARE(label("OK"), QString("OK"));
    QVERIFY(!child<QPushButton>("ABORT")->isHidden());
    QCOMPARE(dialog->focusWidget(), static_cast<QWidget*>(list()));
    list()->setCurrentRow(1);
    child<QPushButton>("DELETE")->setFocus();
    child<QPushButton>("DELETE")->click();
    QCOMPARE(rows(), QStringList({"AU", "AZ", "B1", "au"}));
    QCOMPARE(child<QLineEdit>("ENTRY")->text(), QString("AX")); // to be typed in again
    QCOMPARE(dialog->focusWidget(), static_cast<QWidget*>(list()));
    child<QPushButton>("OK")->click();
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(entries(*program), (std::vector<std::string>{"AU", "AZ", "B1", "au"}));
  }

  void abortAndTheCloseBoxRestoreTheList() {
    for (bool closeBox : {false, true}) {
      open();
      add("NEW");
      list()->setCurrentRow(0);
      child<QPushButton>("DELETE")->click();
      if (closeBox)
        dialog->close();
      else
        child<QPushButton>("ABORT")->click();
      QCOMPARE(dialog->result(), int(QDialog::Rejected));
      QCOMPARE(entries(*program), (std::vector<std::string>{"AU", "AX", "AZ"}));
    }
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
