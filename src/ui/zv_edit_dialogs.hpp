#pragma once
// The Qt side of the File and Edit commands: the three editing dialogs, and the main windows
// as the commands see them.
#include <QWidget>

#include "program/zv_file_commands.hpp"

namespace zv {

class Program;
class Shell;

// Both channels offer the active device's lists until the device files provide their own.
class ModelChannelLists final : public ChannelLists {
public:
  explicit ModelChannelLists(const DataSetModel& model) : model_(model) {}
  const DeviceListSource& channelLists(int) const override { return model_.deviceLists(); }

private:
  const DataSetModel& model_;
};

class QtEditDialogs final : public EditDialogs {
public:
  explicit QtEditDialogs(Program& program);
  // Where the new-data-set dialog takes the lists of each channel; nullptr: the active lists.
  void setChannelLists(const ChannelLists* lists) { lists_ = lists ? lists : &modelLists_; }

  std::optional<NewDataSetInput> newDataSet(const NewDataSetInput& initial) override;
  bool confirmDelete(DeleteMode mode) override;
  std::optional<CopyTarget> copyParameters() override;

private:
  QWidget* parent() const;
  Program& program_;
  ModelChannelLists modelLists_;
  const ChannelLists* lists_;
};

class ShellDataWindows final : public DataWindows {
public:
  explicit ShellDataWindows(Shell& shell) : shell_(shell) {}
  void showDataWindows() override;
  void closeDataWindows() override;
  void refreshTitles() override;

private:
  Shell& shell_;
};

} // namespace zv
