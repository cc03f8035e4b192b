#pragma once
// Window tests run offscreen, where Qt reports a few harmless plugin limits; keep them quiet.
#include <QtGlobal>
#include <cstdio>

namespace zv::test {

inline void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& msg) {
  if (msg.contains("propagateSizeHints") || msg.contains("does not support raise") ||
      msg.contains("does not support activateWindow"))
    return;
  std::fprintf(stderr, "%d: %s\n", int(type), qPrintable(msg));
}

inline void installQuietMessageHandler() {
  qInstallMessageHandler(quietQtMessages);
}

} // namespace zv::test
