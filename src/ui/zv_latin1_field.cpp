#include "ui/zv_latin1_field.hpp"

#include <QLineEdit>

#include "program/zv_program.hpp"
#include "ui/zv_qt_ports.hpp"

namespace zv {

std::optional<std::string> latin1FieldText(QLineEdit* field, const QString& revertTo,
                                           Program& program) {
  const QString text = field->text();
  if (fitsLatin1(text))
    return toLatin1(text);
  field->setText(revertTo);
  program.ui.popup(program.lang.pick(InputErrorTitle), program.lang.pick(NotLatin1Text));
  return std::nullopt;
}

} // namespace zv
