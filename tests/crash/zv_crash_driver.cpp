// The program without windows, driven through its own File, Edit, table and measuring flows on
// the simulated acquisition box with a virtual clock, for the crash test. It dies by SIGKILL at
// chosen points; the test starts it again.
//
// Usage: zv_crash_driver <dir> <data file name> <step> [argument]
//   prepare           File > New (3 x 3), series of pulls in three storages, File > Save,
//                     File > Close; writes prepared.txt
//   session           File > Open, a series of five pulls, Edit > Add sample, a rename in the
//                     order table, the main timer, Edit > Delete sample, two more pulls; writes
//                     expected.txt, says READY and kills itself with SIGKILL
//   savecrash <n>     File > Open, a pull and edits, writes expected.txt, then File > Save with
//                     the program's files frozen after n file changes and the process killed
//                     (exit 3 when the save finished)
//   restart <answers> a new start: the reload question answered by the argument's digits (0
//                     reload, ...), then File > Open; writes restored.txt
// Lines on stdout tell the parent what happened: "ASK <title>", "POPUP <title>|<text>",
// "PULL <n>", "KILL rename|change <path>", "QUIT <n>", "OPEN <result>", "PLOTS <n>", "READY".
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>
#include <string>

#include "common/zv_data_windows.hpp"
#include "common/zv_dataset_describe.hpp"
#include "common/zv_fakes.hpp"
#include "common/zv_sim_control.hpp"
#include "common/zv_timer_panel.hpp"
#include "platform/zv_silent_ui.hpp"
#include "program/zv_file_commands.hpp"
#include "program/zv_meas_control.hpp"
#include "program/zv_program.hpp"
#include "program/zv_selection.hpp"
#include "program/zv_tables.hpp"

namespace zv {
namespace {

// Ends the run with a message to the parent unless the step succeeded (0 or true).
void check(int failed, const std::string& what) {
  if (failed == 0)
    return;
  std::printf("FAILED %s\n", what.c_str());
  std::fflush(stdout);
  std::_Exit(1);
}
void check(bool ok, const std::string& what) {
  check(ok ? 0 : 1, what);
}

// Answers questions by their title from scripted queues; a question without a scripted
// answer gets its escape button. Every question and popup is printed.
class AnsweringUi final : public SilentUi {
public:
  std::map<std::string, std::deque<int>> answers;
  std::filesystem::path fileAnswer; // every file dialog picks this file
  int popups = 0;

  void popup(const std::string& title, const std::string& text) override {
    ++popups;
    std::printf("POPUP %s|%s\n", title.c_str(), text.c_str());
  }
  int ask(const std::string& title, const std::string&, const std::vector<std::string>&, int,
          int escape) override {
    std::printf("ASK %s\n", title.c_str());
    auto& queue = answers[title];
    if (queue.empty())
      return escape;
    const int a = queue.front();
    queue.pop_front();
    return a;
  }
  std::optional<std::filesystem::path> chooseFile(const FileDialogSpec&) override {
    return fileAnswer;
  }
};

using test::TimerPanel;

// The real files, frozen after a set number of changing calls (open for writing, write, sync,
// close, rename, remove, directory creation): every later call fails, so the files stay as a
// process killed right after that call leaves them. kill() then says whether it was a rename and
// kills the process with SIGKILL; it returns when the flow never got that far.
class KillingFileSystem {
public:
  explicit KillingFileSystem(int changes) {
    if (changes > 0)
      fs.haltAfter(changes);
  }
  FaultyFileSystem fs;

  void kill(int after) {
    using Op = FaultyFileSystem::Op;
    int n = 0;
    for (const auto& c : fs.calls())
      if (c.op != Op::OpenRead && c.op != Op::Read && c.op != Op::SyncDirectory && !c.result &&
          ++n == after) {
        std::printf("KILL %s %s\n", c.op == Op::Rename ? "rename" : "change",
                    (c.op == Op::Rename ? c.to : c.path).string().c_str());
        std::fflush(stdout);
        std::raise(SIGKILL);
      }
  }
};

// One start of the program: its ports, the File and Edit commands, the simulated testers.
class Run {
public:
  Run(const std::filesystem::path& dir, const std::string& dataName)
      : dir_(dir), data_(dir / dataName), registry_((dir / "user" / "").string()),
        program_(ui_, clock_, registry_, dir / "fallback" / "") {
    ui_.fileAnswer = data_;
    ui_.answers["Save"] = {0, 0, 0}; // the file exists: Overwriting
    // File > New as an operator fills it in, from entries of the built-in device lists.
    dialogs_.newAnswer = {"ZV-850", "Crash", 3, "P", 3, "L", 0, 10.0, 2.0, 300.0};
  }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  Program& program() { return program_; }
  FileCommands& commands() { return commands_; }
  AnsweringUi& ui() { return ui_; }

  // Start-up as far as the program gets before the reload question, with the simulator as
  // the acquisition box. The seed makes each step's pulls the same in every run.
  void start(std::uint32_t seed) {
    check(sim_.ok(), "simulator functions missing");
    sim_.reset();
    sim_.useVirtualClock(1);
    sim_.setSeed(0, seed);
    sim_.setSeed(1, seed + 1);
    check(program_.startUp({"zarvik"}), "startUp");
    program_.meas.daq.setLibraryCandidates({ZV_SIMDAQ_PATH});
    check(program_.initAcquisition() | program_.meas.params.daqErrorState, "acquisition");
    for (int channel : {0, 1}) {
      PistonList& list = program_.meas.devices.device(channel)->pistons;
      for (int i = 0; i < list.count(); ++i) // the simulator gives 1 V per kN
        list.piston(i)->calFlags = PistonRange::FullyCalibrated;
    }
    program_.meas.panel = &panel_;
  }

  // The session's end: what a restart must bring back, then death by SIGKILL.
  [[noreturn]] void waitToBeKilled() {
    snapshot("expected.txt");
    std::printf("READY\n");
    std::fflush(stdout);
    std::raise(SIGKILL);
    std::abort();
  }

  // A series in the chosen cell from its first slot until `pulls` pulls have finished; a
  // used slot is answered with the next free one.
  void series(int sample, int storage, int pulls) {
    selectCell(program_, sample, storage);
    selectMeasurement(program_, 0);
    ui_.answers["Zarvik - Start measurement"] = {NextFreeIndex};
    const int goal = pulls_ + pulls;
    const int before = validMeasurements() - pulls_;
    check(startMeasuring(program_), "startMeasuring");
    for (double t = 0; pulls_ < goal; t += program_.meas.params.dPollTime) {
      check(t <= 60.0 * pulls, "the series did not finish");
      sim_.advance(program_.meas.params.dPollTime);
      measTimerTick(program_);
      // A tick that finishes a pull has written it to the journal before it returns.
      while (pulls_ < validMeasurements() - before)
        std::printf("PULL %d\n", ++pulls_);
    }
    stopMeasuring(program_);
  }

  int validMeasurements() const {
    int n = 0;
    if (const DataSet* d = program_.data.model.dataSet())
      for (const Sample& sample : d->samples)
        for (const StorageCondition& storage : sample.storages)
          for (const Measurement& m : storage.measurements)
            n += m.status == static_cast<std::int32_t>(MeasurementStatus::MeasuringValid);
    return n;
  }

  void open() {
    const int r = commands_.fileOpen();
    std::printf("OPEN %d\n", r);
    check(r, "File > Open");
    const DataSet* d = program_.data.model.dataSet();
    std::printf("PLOTS %d\n", d ? d->plotCount : -1);
  }

  // The data set as text, curves included; curves read from the graph file only for this are
  // dropped again, so the data set is as it was.
  void snapshot(const char* name) {
    DataSetModel& model = program_.data.model;
    const std::string text = test::describeDataSet(
        model, [&](Measurement& m) { program_.data.graphBackup.graph.graphReadCurve(&m); });
    if (DataSet* d = model.dataSet())
      for (auto& s : d->samples)
        for (auto& t : s.storages)
          for (auto& m : t.measurements)
            if (m.graphFilePos > 0)
              std::vector<double>().swap(m.points);
    std::ofstream out(dir_ / name, std::ios::binary | std::ios::trunc);
    check(bool(out << text << std::flush), std::string("cannot write ") + name);
  }

private:
  std::filesystem::path dir_;
  std::filesystem::path data_;
  AnsweringUi ui_;
  test::FakeClock clock_;
  MemoryRegistry registry_;
  Program program_;
  test::RecordingWindows windows_;
  test::ScriptedDialogs dialogs_;
  FileCommands commands_{program_, windows_, dialogs_};
  test::SimControl sim_{ZV_SIMDAQ_PATH};
  TimerPanel panel_;
  int pulls_ = 0;
};

int prepare(Run& run) {
  run.start(11);
  check(run.commands().fileNew(), "File > New");
  run.series(0, 0, 2);
  run.series(1, 2, 2);
  run.series(2, 1, 1);
  check(run.commands().fileSave(), "File > Save");
  run.snapshot("prepared.txt");
  check(run.commands().fileClose(), "File > Close");
  return 0;
}

int session(Run& run) {
  run.start(500);
  run.open();
  Program& p = run.program();
  run.series(1, 1, 5);
  check(run.commands().editAdd(AddKind::Sample), "Edit > Add sample");
  check(renameSample(p, p.data.model.sampleCount() - 1, "Added"), "rename");
  p.mainTimerTick();
  selectSample(p, 0);
  check(run.commands().editDelete(DeleteMode::Sample), "Edit > Delete sample");
  // The former second sample's third storage already holds pulls: the series goes on after
  // them.
  run.series(0, 2, 2);
  run.waitToBeKilled();
}

int saveCrash(Run& run, int changes) {
  run.start(900);
  run.open();
  Program& p = run.program();
  run.series(2, 0, 1);
  selectSample(p, 0);
  check(run.commands().editDelete(DeleteMode::Sample), "Edit > Delete sample");
  check(renameStorage(p, 2, "Edited"), "rename");
  p.mainTimerTick();
  run.snapshot("expected.txt");
  std::fflush(stdout);
  KillingFileSystem killing(changes);
  p.fileSystem = &killing.fs;
  const int popups = run.ui().popups;
  const int r = run.commands().fileSave();
  killing.kill(changes);
  std::printf("SAVE %d\n", r);
  return r == 0 && run.ui().popups == popups ? 3 : 4;
}

int restart(Run& run, const std::string& answers) {
  for (char c : answers)
    run.ui().answers["ZARVIK - Backup"].push_back(c - '0');
  run.start(1);
  const int quit = run.program().reloadBackupAtStart();
  std::printf("QUIT %d\n", quit);
  if (quit != 0)
    return 0;
  run.open();
  run.snapshot("restored.txt");
  check(run.commands().fileClose(), "File > Close");
  return 0;
}

} // namespace
} // namespace zv

int main(int argc, char** argv) {
  using namespace zv;
  if (argc < 4)
    return 2;
  setvbuf(stdout, nullptr, _IOLBF, 0);
  const std::filesystem::path dir = argv[1];
  const std::string step = argv[3];
  const std::string arg = argc > 4 ? argv[4] : "";
  Run run(dir, argv[2]);
  if (step == "prepare")
    return prepare(run);
  if (step == "session")
    return session(run);
  if (step == "savecrash")
    return saveCrash(run, std::atoi(arg.c_str()));
  if (step == "restart")
    return restart(run, arg);
  return 2;
}
