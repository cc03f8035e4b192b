#include "ui/zv_latin1_field.hpp"

#include <QLineEdit>
#include <algorithm>

#include "platform/zv_latin1.hpp"
#include "program/zv_program.hpp"
#include "ui/zv_qt_ports.hpp"

namespace zv {

namespace {
const TextPair NotLatin1{"The text holds characters that cannot be stored (Latin-1 only).",
                         "Der Text enthält Zeichen, die nicht gespeichert werden können "
                         "(nur Latin-1)."_l1};
const TextPair InputError{"Input Error", "Eingabefehler"};
} // namespace

std::optional<std::string> latin1FieldText(QLineEdit* field, const QString& revertTo,
                                           Program& program) {
  const QString text = field->text();
  if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 256; }))
    return toLatin1(text);
  field->setText(revertTo);
  program.ui.popup(program.lang.pick(InputError), program.lang.pick(NotLatin1));
  return std::nullopt;
}

} // namespace zv
