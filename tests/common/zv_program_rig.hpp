#pragma once
// The program with every port scripted, built in one line. `ProgramRig r;` is started with the
// test directory as its user directory (no configuration file in it) and clean records; start()
// starts it again, e.g. without a registry entry or with other words on the command line.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/zv_fake_ui.hpp"
#include "common/zv_meas_fakes.hpp"
#include "common/zv_testdir.hpp"
#include "platform/zv_fileio.hpp"
#include "program/zv_program.hpp"

namespace zv::test {

// Counts the periodic backups a command asked for.
struct CountingBackup : PeriodicBackup {
  int calls = 0;
  void backupDataSet() override { ++calls; }
};

// U: the scripted Ui, or a test's own kind of it.
template <class U = ScriptedUi> struct ProgramRigWith {
  TestDir dir;
  U ui;
  FakeClock clock;
  MemoryRegistry registry;
  RecordingLog log;
  RecordingRefresh refresh;
  FaultyFileSystem disk; // a test points program->fileSystem at it to inject faults
  std::unique_ptr<Program> program;
  ScriptedAcquisition acq; // reached only after scriptMeasuring()
  FakeTesters testers;

  ProgramRigWith() {
    start(userDir());
    log = {};
    refresh = {};
  }
  std::string userDir() const { return (dir.path() / "").string(); }
  // A new program on the same directory; iniPath is the registry's entry. Gives startUp's result.
  int start(std::optional<std::string> iniPath, std::vector<std::string_view> args = {"zarvik"}) {
    registry = MemoryRegistry(std::move(iniPath));
    program = std::make_unique<Program>(ui, clock, registry, dir.path() / "fallback" / "");
    program->reporter.setLogTarget(&log);
    program->refreshSink = &refresh;
    return program->startUp(args);
  }
  DataSetModel& model() { return program->data.model; }
  DataSet& ds() { return *model().dataSet(); }
  // A data set of s samples of t storages with one empty measurement each, all named.
  DataSet& dataSet(int s, int t) {
    EXPECT_EQ(0, model().createDataSet());
    model().addSamples(s);
    model().addStorages(t);
    model().renumber();
    return ds();
  }
  // Measuring on the scripted acquisition with two calibrated testers.
  void scriptMeasuring() {
    program->meas.processor.setAcquisition(acq);
    program->meas.processor.setTesters(testers);
    for (auto& list : testers.pistons)
      for (int i = 0; i < list.count(); ++i)
        calibrate(*list.piston(i));
  }
  // How often a window was asked for exactly these refresh bits.
  int refreshed(WindowId w, std::uint32_t bits) const {
    int n = 0;
    for (auto [win, b] : refresh.requests)
      n += win == w && b == bits;
    return n;
  }
  // Whether a window was asked to refresh with this bit among others.
  bool refreshedBit(WindowId w, std::uint32_t bit) const {
    for (auto [win, b] : refresh.requests)
      if (win == w && (b & bit))
        return true;
    return false;
  }
};

using ProgramRig = ProgramRigWith<>;

} // namespace zv::test
