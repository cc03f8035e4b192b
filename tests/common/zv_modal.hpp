#pragma once
// Window tests: acts on the next modal dialog of a given type once it has opened (a popup,
// a question, a text prompt), from inside the nested event loop that shows it.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

namespace zv::test {

// Waits up to about two seconds for a modal T to appear, then runs act on it. seen, when
// given, tells the test whether it ever appeared.
template <class T> void onNextModal(std::function<void(T*)> act, bool* seen = nullptr) {
  if (seen)
    *seen = false;
  auto attempt = std::make_shared<std::function<void(int)>>();
  *attempt = [act, seen, weak = std::weak_ptr(attempt)](int left) {
    if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
      if (seen)
        *seen = true;
      act(w);
      return;
    }
    if (left > 0)
      if (auto again = weak.lock())
        QTimer::singleShot(10, [again, left] { (*again)(left - 1); });
  };
  QTimer::singleShot(0, [attempt] { (*attempt)(200); });
}

// Closes the next popup with OK and keeps its text.
inline void confirmPopup(QString* text) {
  onNextModal<QMessageBox>([text](QMessageBox* box) {
    *text = box->text();
    box->button(QMessageBox::Ok)->click();
  });
}

} // namespace zv::test
