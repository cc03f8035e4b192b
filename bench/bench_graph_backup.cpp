// Graph file save of a data set with 4000 curves of 10000 points, against cp of the same
// bytes, and the time of one synced single-object backup write. Each round times a save and
// the cp right after it, and the ratios are the medians of these pairs, so that the load of a
// shared machine weighs on both sides of a ratio alike. Run by hand:
//   ./bench_graph_backup [directory]   (default: the system temporary directory)
// The directory should be on the disk the program uses; tmpfs hides the cost of fsync.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench_stats.hpp"
#include "core/zv_dataset.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_huge_page_heap.hpp"
#include "platform/zv_silent_ui.hpp"
#include "storage/zv_graphfile.hpp"
#include "storage/zv_restore.hpp"
#include "storage/zv_restore_records.hpp"
#include "support/zv_backup_journal.hpp"
#include "support/zv_errorlog.hpp"
#include "support/zv_graphfile_store.hpp"
#include "support/zv_message.hpp"

namespace {

using zv::bench::childCpuSeconds;
using zv::bench::cpuSeconds;
using zv::bench::median;
using zv::bench::minimum;
using zv::bench::percentile;

using namespace zv;
using Timer = std::chrono::steady_clock;

double seconds(Timer::time_point a, Timer::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// cp of the file, then an fsync of the copy (what a durable copy costs); cpCpu is the CPU
// time of the cp process.
void timeCp(const std::filesystem::path& from, const std::filesystem::path& to, double& cp,
            double& cpSync, double& cpCpu) {
  std::filesystem::remove(to);
  const double childCpu = childCpuSeconds();
  const auto a = Timer::now();
  const std::string command = "cp '" + from.string() + "' '" + to.string() + "'";
  if (std::system(command.c_str()) != 0)
    std::fprintf(stderr, "cp failed\n");
  const auto b = Timer::now();
  const int fd = ::open(to.c_str(), O_RDONLY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  const auto c = Timer::now();
  cp = seconds(a, b);
  cpSync = seconds(a, c);
  cpCpu = childCpuSeconds() - childCpu;
}

} // namespace

int main(int argc, char** argv) {
  zv::restartWithHugePageHeap(argv); // as the program starts
  const std::filesystem::path base =
      argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
  const auto dir = base / "zv_bench_graph_backup";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);

  SystemClock clock;
  ErrorLog errorLog(clock, dir);
  SilentUi ui;
  Reporter reporter(errorLog, ui);
  Language lang;
  DataSetModel model(reporter, lang);
  GraphFileStore graphs;
  BackupJournal journal;
  GraphFile graph(model, graphs, reporter);
  BackupStore store(model, graph, journal, reporter, lang);
  model.setBackupSink(&store);
  graphs.GraphFileSetTempDir(dir / "Graph");
  journal.SetBackupDir(dir / "Backup");

  // 20 x 20 storages x 10 measurements = 4000 curves of 10000 points.
  constexpr int Samples = 20, Storages = 20, Measurements = 10, Points = 10000;
  model.createDataSet();
  model.addSamples(Samples);
  model.addStorages(Storages);
  for (int s = 0; s < Samples; ++s)
    for (int t = 0; t < Storages; ++t) {
      model.addMeasurements(s, t, Measurements);
      for (int k = 0; k < Measurements; ++k) {
        Measurement& m = *model.measurementAt(s, t, k);
        m.points.resize(Points);
        for (int i = 0; i < Points; ++i)
          m.points[static_cast<std::size_t>(i)] = (s + t + k) * 0.01 + i * 1e-4;
        m.pointCount = Points;
        m.status = 5;
      }
    }
  model.renumber();

  // The data file the graph file belongs to.
  const auto dataFile = dir / "BENCH.BIN";
  {
    std::vector<unsigned char> bytes;
    records::packHeader(bytes, *model.dataSet());
    for (int s = 0; s < Samples; ++s) {
      records::packSample(bytes, *model.sampleAt(s), s);
      for (int t = 0; t < Storages; ++t) {
        records::packStorage(bytes, *model.storageAt(s, t), s, t);
        for (int k = 0; k < Measurements; ++k)
          records::packMeasurement(bytes, *model.measurementAt(s, t, k), s, t, k, false);
      }
    }
    FILE* f = std::fopen(dataFile.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }

  std::printf("graph file save, %d curves of %d points\n", Samples * Storages * Measurements,
              Points);
  std::printf("%s\n", zv::bench::loadAverage().c_str());
  // The disk is shared with whatever else runs: several rounds, each a save and a cp right
  // after it.
  constexpr int Rounds = 5;
  std::vector<double> fromMemory, copying, cps, cpSyncs, fromMemoryCpu, copyingCpu, cpCpus;
  std::vector<double> memoryToCpSync, copyingToCpSync, memoryToCp, copyingToCp;
  for (int round = 0; round < Rounds; ++round) {
    // All curves in memory (the first save after measuring).
    auto a = Timer::now();
    double cpu = cpuSeconds();
    if (int r = graph.graphSave(dataFile); r != 0) {
      std::fprintf(stderr, "graphSave failed: %d\n", r);
      return 1;
    }
    auto b = Timer::now();
    fromMemory.push_back(seconds(a, b));
    fromMemoryCpu.push_back(cpuSeconds() - cpu);
    // Curves not in memory are copied from the old graph file (graphSave dropped them).
    for (auto& sample : model.dataSet()->samples)
      for (auto& storage : sample.storages)
        for (auto& m : storage.measurements)
          std::vector<double>().swap(m.points);
    a = Timer::now();
    cpu = cpuSeconds();
    if (int r = graph.graphSave(dataFile); r != 0) {
      std::fprintf(stderr, "graphSave failed: %d\n", r);
      return 1;
    }
    b = Timer::now();
    copying.push_back(seconds(a, b));
    copyingCpu.push_back(cpuSeconds() - cpu);
    double cp = 0, cpSync = 0, cpCpu = 0;
    timeCp(GraphFileStore::graphPathFor(dataFile), dir / "copy.GRF", cp, cpSync, cpCpu);
    cps.push_back(cp);
    cpSyncs.push_back(cpSync);
    cpCpus.push_back(cpCpu);
    memoryToCpSync.push_back(fromMemory.back() / cpSync);
    copyingToCpSync.push_back(copying.back() / cpSync);
    memoryToCp.push_back(fromMemory.back() / cp);
    copyingToCp.push_back(copying.back() / cp);
    // Back into memory for the next round.
    for (int s = 0; s < Samples; ++s)
      for (int t = 0; t < Storages; ++t)
        for (int k = 0; k < Measurements; ++k)
          graph.graphReadCurve(model.measurementAt(s, t, k));
  }
  const double size =
      static_cast<double>(std::filesystem::file_size(GraphFileStore::graphPathFor(dataFile)));
  std::printf("  file size                       %.1f MB\n", size / 1e6);
  std::printf("  seconds of %d rounds              wall median  (min)     CPU median  (min)\n",
              Rounds);
  auto row = [](const char* label, const std::vector<double>& wall,
                const std::vector<double>& cpu) {
    std::printf("  %-32s %.3f s   (%.3f)     %.3f s   (%.3f)\n", label, median(wall), minimum(wall),
                median(cpu), minimum(cpu));
  };
  row("save, curves in memory", fromMemory, fromMemoryCpu);
  row("save, copying from old file", copying, copyingCpu);
  row("cp of the same bytes", cps, cpCpus);
  std::printf("  %-32s %.3f s   (%.3f)\n", "cp + fsync of the copy", median(cpSyncs),
              minimum(cpSyncs));
  std::printf("  ratio save / (cp + fsync)       %.2f (in memory), %.2f (copying), medians of "
              "the rounds' ratios\n",
              median(memoryToCpSync), median(copyingToCpSync));
  std::printf("  ratio save / cp                 %.2f (in memory), %.2f (copying), medians of "
              "the rounds' ratios\n",
              median(memoryToCp), median(copyingToCp));

  // Single synced objects: a measurement record (a creation or deletion is as small) and a
  // finished measurement with a curve of 10000 points.
  if (store.RefreshBackup(dataFile.string()) != 0) {
    std::fprintf(stderr, "RefreshBackup failed\n");
    return 1;
  }
  Measurement& m = *model.measurementAt(3, 3, 3);
  std::vector<double> small, curve;
  double cpu = cpuSeconds();
  for (int i = 0; i < 300; ++i) {
    const auto a = Timer::now();
    store.backupMeasurement(&m, 3, 3, 3, backup_mode::Single);
    const auto b = Timer::now();
    small.push_back(seconds(a, b) * 1e3);
  }
  const double smallCpu = (cpuSeconds() - cpu) / 300 * 1e3;
  m.points.assign(Points, 1.0);
  cpu = cpuSeconds();
  for (int i = 0; i < 100; ++i) {
    const auto a = Timer::now();
    store.backupMeasurementFinished(m);
    const auto b = Timer::now();
    curve.push_back(seconds(a, b) * 1e3);
  }
  const double curveCpu = (cpuSeconds() - cpu) / 100 * 1e3;
  std::printf("synced single-object backup write\n");
  std::printf("  measurement record (94 bytes)   median %.3f ms, 90%% %.3f ms, max %.3f ms wall; "
              "%.3f ms CPU on average\n",
              median(small), percentile(small, 0.9), percentile(small, 1.0), smallCpu);
  std::printf("  finished measurement + curve    median %.3f ms, 90%% %.3f ms, max %.3f ms wall; "
              "%.3f ms CPU on average\n",
              median(curve), percentile(curve, 0.9), percentile(curve, 1.0), curveCpu);
  store.CloseBackup();
  std::filesystem::remove_all(dir);
  return 0;
}
