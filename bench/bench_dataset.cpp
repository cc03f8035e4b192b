// The largest data set the limits allow (100 samples x 100 storages x 100 measurements):
// time to build it, renumber it, compute every cell's statistics and display text, and the
// memory it takes. Run by hand: ./bench_dataset
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_stats.hpp"
#include "core/zv_calculate.hpp"
#include "core/zv_dataset.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_huge_page_heap.hpp"
#include "platform/zv_silent_ui.hpp"
#include "support/zv_errorlog.hpp"
#include "support/zv_message.hpp"

namespace {

using zv::bench::Span;
using zv::bench::Stopwatch;

// A Ui that nobody looks at: growth within the limits shows nothing.
using SilentUi = zv::SilentUi;

long peakRssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0)
      return std::stol(line.substr(6));
  return -1;
}

} // namespace

int main(int, char** argv) {
  zv::restartWithHugePageHeap(argv); // as the program starts
  constexpr int Size = 100;
  zv::SystemClock clock;
  zv::ErrorLog errorLog(clock, std::filesystem::temp_directory_path() / "zv-bench-dataset");
  SilentUi ui;
  zv::Reporter reporter(errorLog, ui);
  zv::Language lang;
  zv::DataSetModel model(reporter, lang);
  model.limits().setMaxSamples(Size);
  model.limits().setMaxStorages(Size);
  model.limits().setMaxMeasurements(Size);
  const long rssBefore = peakRssKb();

  std::printf("%s\n", zv::bench::loadAverage().c_str());
  Stopwatch watch;
  model.createDataSet();
  model.addSamples(Size);
  model.addStorages(Size);
  for (int s = 0; s < Size; ++s)
    for (int t = 0; t < Size; ++t)
      model.addMeasurements(s, t, Size);
  const Span build = watch.elapsed();

  int k = 0;
  for (int s = 0; s < Size; ++s)
    for (int t = 0; t < Size; ++t)
      for (auto& m : model.storageAt(s, t)->measurements) {
        m.force = 0.5 + (k++ % 97) * 0.01;
        m.inStatistics = k % 5 != 0;
      }

  watch = Stopwatch();
  model.renumber();
  const Span renumber = watch.elapsed();

  watch = Stopwatch();
  std::size_t textBytes = 0;
  for (int s = 0; s < Size; ++s)
    for (int t = 0; t < Size; ++t)
      textBytes += zv::storageSummaryDisplay(model.storageAt(s, t), {}, {}).size();
  const Span statistics = watch.elapsed();

  std::printf("data set %d x %d x %d = %d measurements\n", Size, Size, Size,
              model.dataSet()->measurementTotal);
  std::printf("seconds, wall time (CPU time)\n");
  std::printf("build      %8.3f (%.3f)\n", build.wall, build.cpu);
  std::printf("renumber   %8.3f (%.3f)\n", renumber.wall, renumber.cpu);
  std::printf("statistics %8.3f (%.3f) (all %d cells with display text, %zu bytes)\n",
              statistics.wall, statistics.cpu, Size * Size, textBytes);
  std::printf("memory     %8.1f MB peak resident growth (%zu bytes per measurement record)\n",
              (peakRssKb() - rssBefore) / 1024.0, sizeof(zv::Measurement));
  return 0;
}
