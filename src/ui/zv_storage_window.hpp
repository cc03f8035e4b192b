#pragma once
// The storage table: the current storage in detail, with its parameters, its statistics and
// one row per measurement, where forces are typed over and measurements switched in and out.
#include <QAbstractTableModel>

#include "ui/zv_main_window.hpp"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace zv {

class Program;
class SelectionRings;

class StorageTableModel final : public QAbstractTableModel {
  Q_OBJECT
public:
  enum Column {
    Number,
    OnOff,
    Force,
    Tension,
    Status,
    Range,
    Area,
    Device,
    TimeToFailure,
    LoadingRate,
    ColumnCount
  };
  explicit StorageTableModel(Program& program, QObject* parent = nullptr)
      : QAbstractTableModel(parent), program_(program) {}
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void reshape();
  void valuesChanged();

private:
  Program& program_;
  int rows_ = 0;
};

class StorageWindow final : public MainWindowBase {
  Q_OBJECT
public:
  explicit StorageWindow(Program& program, QWidget* parent = nullptr);
  void retranslate() override;
  QTableView* table() const { return table_; }
  StorageTableModel* model() const { return model_; }
  SelectionRings* rings() const { return rings_; }
  QComboBox* rangeRing() const { return range_; }
  QLabel* statistic(int which) const { return stats_[static_cast<std::size_t>(which)]; }

protected:
  void applyRefresh(std::uint32_t bits) override;

private:
  void fillParameters();
  void fillStatistics();

  Program& program_;
  SelectionRings* rings_;
  QGroupBox* parameterBox_;
  QGroupBox* statisticsBox_;
  QComboBox* range_;
  QComboBox* area_;
  QComboBox* speed_;
  QComboBox* evaluation_;
  QLineEdit* evaluationText_;
  std::array<QLabel*, 3> parameterLabels_{};
  QLabel* evaluationLabel_;
  std::array<QLabel*, 5> statNames_{};
  std::array<QLabel*, 5> stats_{};
  QLabel* bondUnit_;
  QTableView* table_;
  StorageTableModel* model_;
  bool filling_ = false;
};

} // namespace zv
