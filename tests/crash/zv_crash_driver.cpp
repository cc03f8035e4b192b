// Runs the program's data set, graph file and backup logic without windows, for the crash
// test. Usage: zv_crash_driver <dir> <step> [argument]
//   prepare          a saved data set ORDER.BIN with curves
//   session          opens it, runs a measurement series, adds a sample, renames, writes the
//                    state it reached to expected.txt, says READY and waits to be killed
//   savecrash <n>    opens it, edits, writes expected.txt, saves and kills itself with
//                    SIGKILL after n file changes of the save (exit 3 when the save finished)
//   restart <answers> a new start: answers the reload question (0 reload, 1 discard, 2 end),
//                    then opens the data file and writes what it holds to restored.txt
// Lines on stdout tell the parent what happened ("ASK <title>", "POPUP ...", "READY").
#include <csignal>
#include <cstdio>
#include <deque>
#include <fstream>
#include <string>
#include <unistd.h>

#include "common/zv_dataset_describe.hpp"
#include "common/zv_simple_datafile.hpp"
#include "program/zv_program.hpp"

namespace zv {
namespace {

class AnsweringUi final : public Ui {
public:
  std::deque<int> answers;
  void popup(const std::string& title, const std::string& text) override {
    std::printf("POPUP %s|%s\n", title.c_str(), text.c_str());
  }
  int ask(const std::string& title, const std::string&, const std::vector<std::string>&, int,
          int escape) override {
    std::printf("ASK %s\n", title.c_str());
    if (answers.empty())
      return escape;
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::string> promptText(const std::string&, const std::string&, const std::string&,
                                        int) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> chooseFile(const FileDialogSpec&) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> chooseDirectory(const std::string&,
                                                       const std::filesystem::path&) override {
    return std::nullopt;
  }
  std::unique_ptr<Progress> startProgress(const std::string&, const std::string&,
                                          const std::string&) override {
    return nullptr;
  }
  void setWaitCursor(bool) override {}
  void setClipboardText(const std::string&) override {}
  bool startProcess(const std::string&, const std::string&) override { return false; }
  bool openDocument(const std::filesystem::path&) override { return false; }
};

class StillClock final : public Clock {
public:
  std::time_t now() const override { return 1'700'000'000; }
  double monotonicSeconds() const override { return 0; }
  void wait(double) override {}
};

// The real file system, except that the process is killed after a set number of changing
// calls (open for writing, write, fsync, close, rename, remove) once armed.
class KillingFileSystem final : public FileSystem {
public:
  void arm(int changes) { left_ = changes; }
  void count() {
    if (left_ > 0 && --left_ == 0)
      std::raise(SIGKILL);
  }
  std::error_code openRead(const std::filesystem::path& p,
                           std::unique_ptr<ReadableFile>& f) override {
    return real().openRead(p, f);
  }
  std::error_code openWrite(const std::filesystem::path& p, OpenMode m,
                            std::unique_ptr<WritableFile>& f) override {
    std::unique_ptr<WritableFile> inner;
    auto ec = real().openWrite(p, m, inner);
    if (!ec) {
      f = std::make_unique<Writable>(*this, std::move(inner));
      count();
    }
    return ec;
  }
  std::error_code rename(const std::filesystem::path& a, const std::filesystem::path& b) override {
    auto ec = real().rename(a, b);
    if (!ec)
      count();
    return ec;
  }
  std::error_code remove(const std::filesystem::path& p) override {
    auto ec = real().remove(p);
    if (!ec)
      count();
    return ec;
  }
  std::error_code syncDirectory(const std::filesystem::path& d) override {
    return real().syncDirectory(d);
  }
  std::error_code createDirectories(const std::filesystem::path& d) override {
    return real().createDirectories(d);
  }
  bool exists(const std::filesystem::path& p) override { return real().exists(p); }
  std::error_code fileSize(const std::filesystem::path& p, std::uint64_t& s) override {
    return real().fileSize(p, s);
  }

private:
  static FileSystem& real() { return realFileSystem(); }
  class Writable final : public WritableFile {
  public:
    Writable(KillingFileSystem& fs, std::unique_ptr<WritableFile> inner)
        : fs_(fs), inner_(std::move(inner)) {}
    std::error_code write(const void* d, std::size_t n) override {
      auto ec = inner_->write(d, n);
      if (!ec)
        fs_.count();
      return ec;
    }
    std::error_code sync() override {
      auto ec = inner_->sync();
      if (!ec)
        fs_.count();
      return ec;
    }
    std::error_code close() override {
      auto ec = inner_->close();
      if (!ec)
        fs_.count();
      return ec;
    }

  private:
    KillingFileSystem& fs_;
    std::unique_ptr<WritableFile> inner_;
  };
  int left_ = 0;
};

struct Paths {
  std::filesystem::path dir, user, data;
  explicit Paths(const std::filesystem::path& d)
      : dir(d), user(d / "user"), data(d / "ORDER.BIN") {}
};

void writeText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The data set as text, curves included; curves read from the graph file only for this are
// dropped again, so the data set is as it was.
std::string snapshot(AuftrModel& model, GraphFile& graph) {
  const std::string text =
      test::describeDataSet(model, [&](Measurement& m) { graph.graphReadCurve(&m); });
  if (DataSet* d = model.dataSet())
    for (auto& s : d->samples)
      for (auto& t : s.storages)
        for (auto& m : t.measurements)
          if (m.graphFilePos > 0)
            std::vector<double>().swap(m.points);
  return text;
}

void setResult(Measurement& m, double force, int points, int seed) {
  m.force = force;
  m.status = 5;
  m.inStatistics = 1;
  m.channel = seed % 2;
  m.deviceName = "Tester";
  m.curveRate = 1000;
  m.points = test::testCurve(points, seed);
  m.pointCount = points;
}

int prepare(const Paths& p, Reporter& reporter, const Language& lang) {
  test::GraphBackupWorld w(reporter, lang, realFileSystem(), p.user);
  AuftrModel& m = w.model;
  m.auftrCreate();
  m.auftrAddSamples(3);
  m.auftrAddStorages(3);
  for (int s = 0; s < 3; ++s)
    for (int t = 0; t < 3; ++t) {
      m.auftrAddMeasurements(s, t, 3);
      setResult(*m.auftrMeasurement(s, t, 0), 1.0 + s + t / 10.0, 1500, 10 * s + t);
    }
  m.auftrRenumber();
  w.files.setCurrentDataFile(p.data);
  if (w.files.save() != 0)
    return 1;
  w.files.close();
  return 0;
}

// One measurement series in storage (1, 1), as the measurement control runs it: the backup
// at the start, then each finished pull written at once with its curve.
void series(Program& program, int pulls, int seed) {
  AuftrModel& m = program.auftr;
  program.backupDataSet();
  program.measuring = true;
  for (int k = 0; k < pulls; ++k) {
    if (m.auftrMeasurementCount(1, 1) <= k)
      m.auftrAddMeasurements(1, 1, k + 1);
    Measurement& meas = *m.auftrMeasurement(1, 1, k);
    setResult(meas, 2.0 + k * 0.125, 2000 + 100 * k, seed + k);
    m.auftrMarkChanged(meas);
    program.graphBackup.store.backupMeasurementFinished(meas);
    std::printf("PULL %d\n", k + 1);
  }
  program.measuring = false;
}

int session(const Paths& p, AnsweringUi& ui, Clock& clock) {
  MemoryRegistry registry((p.user / "").string());
  Program program(ui, clock, registry, p.dir / "fallback" / "");
  program.startUp({"zarvik"});
  test::SimpleDataFiles files(program.auftr, program.graphBackup.store);
  program.graphBackup.store.setDataFileAccess(&files);
  if (files.open(p.data) != 0 || files.lastGraphLoad != 0)
    return 1;
  AuftrModel& m = program.auftr;
  series(program, 5, 500);
  // Edit > Creating New Sample.
  program.backupDataSet();
  m.auftrAddSamples(m.auftrSampleCount() + 1);
  m.auftrRenumber();
  // A rename in the order table, picked up by the main timer.
  m.auftrSample(3)->name = "Added";
  m.auftrMarkChanged(*m.auftrSample(3));
  program.mainTimerTick();
  // Edit > Deleting Sample, then two more pulls.
  program.backupDataSet();
  m.auftrDeleteSample({0, 0, 0});
  m.auftrRenumber();
  series(program, 2, 900);
  writeText(p.dir / "expected.txt", snapshot(m, program.graphBackup.graph));
  std::printf("READY\n");
  std::fflush(stdout);
  for (;;)
    pause(); // until the parent kills us
}

int saveCrash(const Paths& p, Reporter& reporter, const Language& lang, int changes) {
  KillingFileSystem fs;
  test::GraphBackupWorld w(reporter, lang, fs, p.user);
  AuftrModel& m = w.model;
  if (w.files.open(p.data) != 0)
    return 1;
  m.auftrDeleteSample({0, 0, 0});
  m.auftrRenumber();
  Measurement& meas = *m.auftrMeasurement(1, 1, 1);
  setResult(meas, 6.5, 3000, 77);
  m.auftrMarkChanged(meas);
  w.store.backupMeasurementFinished(meas);
  m.auftrStorage(0, 2)->name = "Edited";
  m.auftrMarkChanged(*m.auftrStorage(0, 2));
  w.store.backupDataSet();
  writeText(p.dir / "expected.txt", snapshot(m, w.graph));
  std::fflush(stdout);
  fs.arm(changes);
  const int r = w.files.save();
  return r == 0 && w.files.lastRefresh == 0 ? 3 : 4;
}

int restart(const Paths& p, AnsweringUi& ui, Clock& clock, const std::string& answers) {
  for (char c : answers)
    ui.answers.push_back(c - '0');
  MemoryRegistry registry((p.user / "").string());
  Program program(ui, clock, registry, p.dir / "fallback" / "");
  program.startUp({"zarvik"});
  test::SimpleDataFiles files(program.auftr, program.graphBackup.store);
  program.graphBackup.store.setDataFileAccess(&files);
  const int quit = program.reloadBackupAtStart();
  std::printf("QUIT %d\n", quit);
  if (quit != 0)
    return 0;
  if (files.open(p.data) != 0)
    return 1;
  std::printf("GRAPH %d\n", files.lastGraphLoad);
  writeText(p.dir / "restored.txt", snapshot(program.auftr, program.graphBackup.graph));
  files.close();
  return 0;
}

} // namespace
} // namespace zv

int main(int argc, char** argv) {
  using namespace zv;
  if (argc < 3)
    return 2;
  setvbuf(stdout, nullptr, _IOLBF, 0);
  const Paths paths(argv[1]);
  const std::string step = argv[2];
  const std::string arg = argc > 3 ? argv[3] : "";
  AnsweringUi ui;
  StillClock clock;
  ErrorLog errorLog(clock, paths.dir);
  Reporter reporter(errorLog, ui);
  Language lang;
  if (step == "prepare")
    return prepare(paths, reporter, lang);
  if (step == "session")
    return session(paths, ui, clock);
  if (step == "savecrash")
    return saveCrash(paths, reporter, lang, std::atoi(arg.c_str()));
  if (step == "restart")
    return restart(paths, ui, clock, arg);
  return 2;
}
