#pragma once
// The order table: one row per sample, one column per storage, each cell the statistics of
// that pair. Only the visible cells are ever computed.
#include <QAbstractTableModel>

#include "ui/zv_main_window.hpp"

class QLineEdit;
class QLabel;
class QTableView;
class QHeaderView;

namespace zv {

class Program;
class SelectionRings;

class OrderTableModel final : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit OrderTableModel(Program& program, QObject* parent = nullptr)
      : QAbstractTableModel(parent), program_(program) {}
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // The grid changed its shape (or a data set came or went).
  void reshape();
  // Values changed: redraw what is visible.
  void valuesChanged();

private:
  Program& program_;
  int rows_ = 0;
  int columns_ = 0;
};

class OrderWindow final : public MainWindowBase {
  Q_OBJECT
public:
  explicit OrderWindow(Program& program, QWidget* parent = nullptr);
  void retranslate() override;
  QTableView* table() const { return table_; }
  OrderTableModel* model() const { return model_; }
  SelectionRings* rings() const { return rings_; }
  // The caption over the sample names (the table's top left corner).
  QLabel* sampleCaption() const { return sampleCaption_; }
  // Opens the in-place editor of a header (as a double-click on it does).
  QLineEdit* editHeader(Qt::Orientation orientation, int section);

signals:
  // A right double-click on a cell asks for the storage table.
  void storageTableRequested();

protected:
  void applyRefresh(std::uint32_t bits) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void commitHeader();
  void fillFields();

  Program& program_;
  QLineEdit* identNumber_;
  QLineEdit* identName_;
  QLineEdit* title_;
  QLabel* identNumberLabel_;
  QLabel* identNameLabel_;
  QLabel* titleLabel_;
  SelectionRings* rings_;
  QTableView* table_;
  QLabel* sampleCaption_;
  OrderTableModel* model_;
  QLineEdit* headerEditor_ = nullptr;
  Qt::Orientation editedOrientation_ = Qt::Vertical;
  int editedSection_ = -1;
};

} // namespace zv
