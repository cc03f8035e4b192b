#include "ui/zv_decimal_spinbox.hpp"

#include <QLocale>

namespace zv {

namespace {
QString withPoint(QString text) {
  return text.replace(',', '.');
}
} // namespace

DecimalSpinBox::DecimalSpinBox(QWidget* parent) : QDoubleSpinBox(parent) {
  QLocale c = QLocale::c();
  c.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
  setLocale(c);
}

QValidator::State DecimalSpinBox::validate(QString& text, int& pos) const {
  text = withPoint(text);
  return QDoubleSpinBox::validate(text, pos);
}

double DecimalSpinBox::valueFromText(const QString& text) const {
  return QDoubleSpinBox::valueFromText(withPoint(text));
}

} // namespace zv
