#pragma once
// Text fields of the setup dialogs hold Latin-1 only: a typed character that Latin-1 cannot
// hold is refused with a message, never changed into something else.
#include <QString>
#include <optional>
#include <string>

class QLineEdit;

namespace zv {

class Program;

// The field's text as Latin-1 bytes. For text Latin-1 cannot hold: a popup through the
// program's Ui, the field is set back to revertTo, and nullopt.
std::optional<std::string> latin1FieldText(QLineEdit* field, const QString& revertTo,
                                           Program& program);

} // namespace zv
