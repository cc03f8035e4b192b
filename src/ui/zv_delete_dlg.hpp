#pragma once
// "Edit - Delete Data sets": names the current sample, storage or measurement and warns what
// OK deletes. The deletion itself is deleteCurrent().
#include <QDialog>

#include "core/zv_edit_ops.hpp"

namespace zv {

class DeleteDialog final : public QDialog {
  Q_OBJECT
public:
  DeleteDialog(DataSetModel& model, DeleteMode mode, const Language& lang, const char* programTitle,
               QWidget* parent = nullptr);
};

} // namespace zv
