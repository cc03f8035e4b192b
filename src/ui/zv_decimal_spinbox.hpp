#pragma once
// A number field that shows a decimal point whatever the system's locale and also takes a
// typed decimal comma ("19,6" is 19.6).
#include <QDoubleSpinBox>

namespace zv {

class DecimalSpinBox final : public QDoubleSpinBox {
public:
  explicit DecimalSpinBox(QWidget* parent = nullptr);

  QValidator::State validate(QString& text, int& pos) const override;
  double valueFromText(const QString& text) const override;
};

} // namespace zv
