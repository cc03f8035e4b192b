#pragma once
// The named control of a window; a missing one ends the test run with its name.
#include <QObject>
#include <QtGlobal>

namespace zv::test {

template <class T> T* child(const QObject* parent, const char* name) {
  T* c = parent->findChild<T*>(name);
  if (!c)
    qFatal("no control %s", name);
  return c;
}

} // namespace zv::test
