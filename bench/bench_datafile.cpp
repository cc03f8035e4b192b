// The largest data set (100 samples x 100 storages x 100 measurements) saved and loaded in
// both formats through the program's own file handling, progress dialog updates included,
// against plain cp of the same files. Loads run in child processes so that each one's peak
// memory is its own. Every figure is taken in several rounds and printed as minimum and
// median, in wall and in CPU time.
//
//   bench_datafile [directory] [rounds]   runs everything (5 rounds) and prints a table
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
#include "platform/zv_huge_page_heap.hpp"
#include "platform/zv_silent_ui.hpp"
#include "storage/zv_datafile.hpp"

extern char** environ;

namespace {

using zv::bench::cpuSeconds;
using zv::bench::seconds;
using zv::bench::secondsSince;
using zv::bench::Series;

using Clock = std::chrono::steady_clock;

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
  zv::DataFileHandler files{{model, reporter, ui, lang, texts, zv::realFileSystem()}};

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
        m.deviceName = "Zarvik 850 Simulator 1"; // as the first-run testers are named
      }
    }
  model.renumber();
}

double childCpu = 0;

// Runs argv; returns the exit status and sets childCpu from the child's usage.
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
  // The peak of this process's own memory: ru_maxrss as its parent sees it would also count
  // the parent's memory at the time of the spawn.
  std::ifstream status("/proc/self/status");
  std::string line;
  long peakKb = 0;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0)
      peakKb = std::stol(line.substr(6));
  std::printf("%.3f %.3f %d %ld\n", wall, cpu, rig.ui.updates, peakKb);
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
  zv::restartWithHugePageHeap(argv); // as the program starts
  if (argc == 3 && std::strcmp(argv[1], "load") == 0)
    return loadChild(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "make") == 0)
    return makeFile(argv[2]);

  const std::filesystem::path dir =
      (argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path()) /
      ("zv-bench-" + std::to_string(getpid()));
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  std::filesystem::create_directories(dir);
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  std::printf("at the start: %s\n", zv::bench::loadAverage().c_str());

  Rig rig;
  auto start = Clock::now();
  buildLargest(rig.model);
  std::printf("data set of %d measurements built in %.2f s\n",
              rig.model.dataSet()->measurementTotal, secondsSince(start));

  struct Row {
    const char* format;
    Series save, load, cp;
    std::vector<double> cpSync, peakMb;
    int saveUpdates = 0, loadUpdates = 0;
    std::uintmax_t size = 0;
  };
  std::vector<Row> rows{{"BIN"}, {"DAT"}};
  for (int round = 0; round < rounds; ++round) {
    for (Row& row : rows) {
      const auto file = dir / (std::string("LARGE.") + row.format);
      rig.files.setDataFile(file);
      rig.ui.updates = 0;
      const zv::bench::Stopwatch saving;
      if (rig.files.saveDataSet() != 0) {
        std::cerr << "save failed\n";
        return 1;
      }
      row.save.add(saving.elapsed());
      row.saveUpdates = rig.ui.updates;
      row.size = std::filesystem::file_size(file);

      std::string out;
      if (spawn({self, "load", file.string()}, &out) != 0) {
        std::cerr << "load child failed\n";
        return 1;
      }
      zv::bench::Span load;
      long peakKb = 0;
      std::sscanf(out.c_str(), "%lf %lf %d %ld", &load.wall, &load.cpu, &row.loadUpdates, &peakKb);
      row.load.add(load);
      row.peakMb.push_back(static_cast<double>(peakKb) / 1024.0);

      const auto copy = dir / (std::string("COPY.") + row.format);
      start = Clock::now();
      spawn({"cp", file.string(), copy.string()});
      const double cp = secondsSince(start);
      row.cp.add({cp, childCpu});
      row.cpSync.push_back(cp + fsyncFile(copy));
      std::filesystem::remove(copy);
    }
  }

  std::printf("\n%d rounds; seconds as min / median, wall time and CPU time (user + system)\n",
              rounds);
  std::printf("%-6s %-10s %-37s %s\n", "format", "figure", "wall min / median    CPU min / median",
              "");
  for (const Row& r : rows) {
    std::printf("%-6s %-10s %s   (%d progress updates)\n", r.format, "save", r.save.text().c_str(),
                r.saveUpdates);
    std::printf("%-6s %-10s %s   (%d progress updates)\n", r.format, "load", r.load.text().c_str(),
                r.loadUpdates);
    std::printf("%-6s %-10s %s   (cp + fsync: %.3f / %.3f wall)\n", r.format, "cp",
                r.cp.text().c_str(), zv::bench::minimum(r.cpSync), zv::bench::median(r.cpSync));
    const double mb = static_cast<double>(r.size) / (1024.0 * 1024.0);
    std::printf("%-6s %-10s %ju bytes; load peak memory %.1f MB median = %.2f x the file\n",
                r.format, "size", r.size, zv::bench::median(r.peakMb),
                zv::bench::median(r.peakMb) / mb);
  }
  std::printf("\ngoals (CPU time): .BIN load <= 0.08 s, .DAT load <= 0.6 s, .DAT save <= 0.6 s, "
              ".DAT load peak <= 2 x the file; .BIN save within 2x cp + fsync (wall)\n");
  std::printf("at the end: %s\n", zv::bench::loadAverage().c_str());
  std::filesystem::remove_all(dir);
  return 0;
}
