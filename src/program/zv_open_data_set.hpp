#pragma once
// The data set the program has open: the model with its evaluations, its data file, its graph
// file and the backup journal that keeps every change safe until the next save.
#include <functional>
#include <string>

#include "core/zv_dataset.hpp"
#include "core/zv_evaluation_list.hpp"
#include "program/zv_graph_backup.hpp"
#include "program/zv_program_environment.hpp"
#include "storage/zv_datafile.hpp"

namespace zv {

// The periodic backup of the data set (the main timer and every menu command).
class PeriodicBackup {
public:
  virtual ~PeriodicBackup() = default;
  virtual void backupDataSet() = 0;
};

class OpenDataSet {
public:
  // measuring: whether a measurement runs (the backup then keeps the running slot apart).
  OpenDataSet(ProgramEnvironment& env, std::function<bool()> measuring);
  OpenDataSet(const OpenDataSet&) = delete;
  OpenDataSet& operator=(const OpenDataSet&) = delete;

  DataSetModel model; // the one data set with its defaults, limits and change counters
  EvaluationList evaluations;
  GraphBackup graphBackup; // graph files and the backup journal
  DataFileHandler files;   // the data file: its name, format options, save/load/close flows
  std::string recentFilePath;

  // A data set is loaded: from a load or a new data set until it is closed.
  bool isLoaded() const { return files.isLoaded(); }
  // The current data file's full path, empty before the first one.
  const std::string& filePath() const { return files.filePath(); }

  // Writes the changed records to the backup journal (before menu commands, on the timer).
  void backupDataSet() { periodic_->backupDataSet(); }
  // Another periodic backup (tests that count or refuse backups).
  void setPeriodicBackup(PeriodicBackup& backup) { periodic_ = &backup; }
  // A finished measurement goes to the backup journal at once, with its curve.
  int measurementFinished(Measurement& m) { return graphBackup.store.backupMeasurementFinished(m); }
  // The curve of a measurement that is not in memory, from the graph file; 0 when it was read.
  int readCurve(Measurement& m) { return graphBackup.graph.graphReadCurve(&m); }
  // The backup at the start of a series; below 0 when the journal could not be written.
  int backupBeforeSeries() { return graphBackup.store.backupDataSet(); }

private:
  class StoreBackup final : public PeriodicBackup {
  public:
    explicit StoreBackup(BackupStore& store) : store_(store) {}
    void backupDataSet() override { store_.backupDataSet(); }

  private:
    BackupStore& store_;
  };

  StoreBackup storeBackup_{graphBackup.store};
  PeriodicBackup* periodic_ = &storeBackup_;
  DataFileRestoreAccess restoreAccess_{files};
};

} // namespace zv
