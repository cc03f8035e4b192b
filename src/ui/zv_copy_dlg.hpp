#pragma once
// "Edit - Copying the Storage parameters": the current storage as the source and three
// destination buttons; each one closes the dialog with its choice.
#include <QDialog>
#include <optional>

#include "core/zv_edit_ops.hpp"

namespace zv {

class CopyDialog final : public QDialog {
  Q_OBJECT
public:
  CopyDialog(DataSetModel& model, const Language& lang, const char* programTitle,
             QWidget* parent = nullptr);
  // The destination chosen; nothing after Close or the close box.
  std::optional<CopyTarget> target() const { return target_; }

private:
  std::optional<CopyTarget> target_;
};

} // namespace zv
