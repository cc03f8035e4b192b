// The largest data set (100 samples x 100 storages x 100 measurements) saved and loaded in
// both formats through the program's own file handling, progress dialog updates included,
// against plain cp of the same files. Loads run in child processes so that each one's peak
// memory is its own.
//
//   bench_datafile [directory]       runs everything and prints a table
//   bench_datafile load FILE         (internal) loads FILE, prints seconds and updates
//   bench_datafile make FILE         writes the largest data set to FILE (.BIN or .DAT), as
//                                    input for zarvik-tool convert
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <fcntl.h>

#include "bench_stats.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_silent_ui.hpp"
#include "storage/zv_datafile.hpp"

extern char** environ;

namespace {

using zv::bench::secondsSince;

using Clock = std::chrono::steady_clock;

double seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// CPU seconds (user + system) this process used so far. On a machine shared with other work
// the wall time says little; the CPU time shows what the code itself costs.
double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return seconds(u.ru_utime) + seconds(u.ru_stime);
}

// Answers nothing; reports popups and counts the progress dialog's updates.
class BenchUi final : public zv::SilentUi {
public:
  int updates = 0;
  void popup(const std::string& title, const std::string& text) override {
    std::cerr << "popup: " << title << ": " << text << '\n';
  }
  std::unique_ptr<zv::Progress> startProgress(const std::string&, const std::string&,
                                              const std::string&) override {
    class Counting final : public zv::Progress {
    public:
      explicit Counting(int& n) : n_(n) {}
      bool update(int) override {
        ++n_;
        return false;
      }

    private:
      int& n_;
    };
    return std::make_unique<Counting>(updates);
  }
};

struct Rig {
  zv::SystemClock clock;
  BenchUi ui;
  zv::ErrorLog errorLog{clock, "/dev/null"};
  zv::Reporter reporter{errorLog, ui};
  zv::Language lang;
  zv::ProgramTexts texts;
  zv::DataSetModel model{reporter, lang};
  bool dataLoaded = false;
  std::string dataFilePath;
  zv::DataFileHandler files{
      {model, reporter, ui, lang, texts, dataLoaded, dataFilePath, zv::realFileSystem()}};

  Rig() {
    errorLog.setPath("/dev/null");
    texts.select(lang);
    model.limits().setMaxSamples(100);
    model.limits().setMaxStorages(100);
    model.limits().setMaxMeasurements(100);
  }
};

void buildLargest(zv::DataSetModel& model) {
  model.createDataSet();
  model.addSamples(100);
  model.addStorages(100);
  for (int i = 0; i < 100; ++i)
    for (int j = 0; j < 100; ++j) {
      model.addMeasurements(i, j, 100);
      zv::StorageCondition& t = *model.storageAt(i, j);
      t.name = "Lagerung " + std::to_string(j + 1);
      t.evaluation = "A/B 50%";
      for (int k = 0; k < 100; ++k) {
        zv::Measurement& m = t.measurements[static_cast<std::size_t>(k)];
        m.force = 1.0 + i * 0.013 + j * 0.0007 + k * 0.123456789;
        m.pointCount = 2000 + k;
        m.inStatistics = 1;
        m.status = 5;
        m.deviceName = "Zarvik 850 A";
      }
    }
  model.renumber();
}

long childPeakKb = 0;
double childCpu = 0;

// Runs argv; returns the exit status and sets childPeakKb from the child's usage.
int spawn(const std::vector<std::string>& args, std::string* output = nullptr) {
  int pipeFd[2] = {-1, -1};
  if (output && pipe(pipeFd) != 0)
    return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output) {
    posix_spawn_file_actions_adddup2(&actions, pipeFd[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFd[0]);
  }
  std::vector<char*> argv;
  for (const auto& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (output)
    close(pipeFd[1]);
  if (rc != 0)
    return -1;
  if (output) {
    char buf[4096];
    ssize_t n;
    while ((n = read(pipeFd[0], buf, sizeof buf)) > 0)
      output->append(buf, static_cast<std::size_t>(n));
    close(pipeFd[0]);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  childPeakKb = usage.ru_maxrss;
  childCpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  return status;
}

int loadChild(const std::string& file) {
  Rig rig;
  rig.files.setDataFile(file);
  std::string message;
  const auto start = Clock::now();
  const double cpuStart = cpuSeconds();
  const int r = rig.files.loadDataSet(0, message);
  const double wall = secondsSince(start);
  const double cpu = cpuSeconds() - cpuStart;
  if (r != 0 || rig.model.dataSet()->measurementTotal != 1'000'000) {
    std::cerr << "load failed: " << r << " " << message << '\n';
    return 1;
  }
  std::printf("%.3f %.3f %d\n", wall, cpu, rig.ui.updates);
  return 0;
}

double fsyncFile(const std::filesystem::path& p) {
  const auto start = Clock::now();
  const int fd = open(p.c_str(), O_RDONLY);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
  return secondsSince(start);
}

} // namespace

int makeFile(const std::string& file) {
  Rig rig;
  buildLargest(rig.model);
  rig.files.setDataFile(std::filesystem::absolute(file));
  const auto start = Clock::now();
  if (rig.files.saveDataSet() != 0) {
    std::cerr << "save failed\n";
    return 1;
  }
  std::printf("%s: %d measurements written in %.2f s\n", file.c_str(),
              rig.model.dataSet()->measurementTotal, secondsSince(start));
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "load") == 0)
    return loadChild(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "make") == 0)
    return makeFile(argv[2]);

  const std::filesystem::path dir =
      (argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path()) /
      ("zv-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();

  Rig rig;
  auto start = Clock::now();
  buildLargest(rig.model);
  std::printf("data set of %d measurements built in %.2f s\n",
              rig.model.dataSet()->measurementTotal, secondsSince(start));

  struct Row {
    const char* format;
    double save = 0, load = 0, cp = 0, cpSync = 0;
    double saveCpu = 0, loadCpu = 0, cpCpu = 0;
    int saveUpdates = 0, loadUpdates = 0;
    std::uintmax_t size = 0;
    long loadPeakKb = 0;
  };
  std::vector<Row> rows;
  for (const char* ext : {"BIN", "DAT"}) {
    Row row;
    row.format = ext;
    const auto file = dir / (std::string("LARGE.") + ext);
    rig.files.setDataFile(file);
    rig.ui.updates = 0;
    start = Clock::now();
    const double cpuStart = cpuSeconds();
    if (rig.files.saveDataSet() != 0) {
      std::cerr << "save failed\n";
      return 1;
    }
    row.save = secondsSince(start);
    row.saveCpu = cpuSeconds() - cpuStart;
    row.saveUpdates = rig.ui.updates;
    row.size = std::filesystem::file_size(file);

    std::string out;
    if (spawn({self, "load", file.string()}, &out) != 0) {
      std::cerr << "load child failed\n";
      return 1;
    }
    std::sscanf(out.c_str(), "%lf %lf %d", &row.load, &row.loadCpu, &row.loadUpdates);
    row.loadPeakKb = childPeakKb;

    const auto copy = dir / (std::string("COPY.") + ext);
    start = Clock::now();
    spawn({"cp", file.string(), copy.string()});
    row.cp = secondsSince(start);
    row.cpCpu = childCpu;
    row.cpSync = row.cp + fsyncFile(copy);
    std::filesystem::remove(copy);
    rows.push_back(row);
  }

  std::printf("\nwall seconds (CPU seconds in brackets)\n");
  std::printf("%-6s %11s %17s %17s %17s %9s %12s %8s\n", "format", "bytes", "save (synced)", "load",
              "cp", "cp+sync", "load peak MB", "updates");
  for (const Row& r : rows)
    std::printf("%-6s %11ju %8.3f (%6.3f) %8.3f (%6.3f) %8.3f (%6.3f) %9.3f %12.1f %4d/%-3d\n",
                r.format, r.size, r.save, r.saveCpu, r.load, r.loadCpu, r.cp, r.cpCpu, r.cpSync,
                r.loadPeakKb / 1024.0, r.saveUpdates, r.loadUpdates);
  std::printf("\ngoals: .BIN save within 2x cp, .BIN load < 0.5 s, .DAT save < 3 s, "
              ".DAT load < 4 s, .DAT load peak < 2048 MB\n");
  std::filesystem::remove_all(dir);
  return 0;
}
