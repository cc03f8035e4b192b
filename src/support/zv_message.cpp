#include "support/zv_message.hpp"

namespace zv {

int Reporter::reportMessage(int flags, int kind, OptText title, OptText message, int code) {
  if (title && message)
    errorLog_.reportError(code, 0, *title, *message);
  if (message && (flags & report::LogLine) && log_)
    log_->appendLine(*message);
  if (kind != report::KindNoPopup && (flags & report::Popup) && title && message)
    ui_.popup(std::string(*title), std::string(*message));
  return code;
}

} // namespace zv
