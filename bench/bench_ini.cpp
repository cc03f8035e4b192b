// INI engine at data set scale: builds a document shaped like the largest text data set
// (100 samples x 100 storages x 100 measurements: about 1,000,000 sections, 8,000,000 items),
// writes it, reads it back and reads the same file with the inih C library for reference.
//
//   bench_ini [directory] [samples storages measurements]
//
// Each read runs in a fresh process (this program started again), so that its peak resident
// memory is its own and not the generator's. Goals: write >= 150 MB/s, our read at most 0.3x
// inih's CPU time (medians of 5 runs), peak memory of our read <= 3x the file size.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bench_stats.hpp"
#include "platform/zv_huge_page_heap.hpp"
#include "storage/zv_ini.hpp"

#ifdef ZV_HAVE_INIH
#include <ini.h>
#endif

namespace {

using zv::bench::cpuSeconds;
using zv::bench::median;
using zv::bench::minimum;
using zv::bench::secondsSince;

using Clock = std::chrono::steady_clock;

// Peak resident set size of this process in bytes (VmHWM).
std::uint64_t peakRss() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmHWM:", 0) == 0)
      return std::strtoull(line.c_str() + 6, nullptr, 10) * 1024;
  return 0;
}

struct Shape {
  int samples = 100, storages = 100, measurements = 100;
};

// The sections and keys a text data set file holds, with plausible values.
void fill(zv::IniDocument* doc, const Shape& shape) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> force(0.5, 9.5);
  const double area = 1963.495408493621;
  zv::Ini_SetDuplicateChecking(doc, 0);
  zv::Ini_PutInt(doc, "AUFTRAG", "Programmkennung", 3);
  zv::Ini_PutInt(doc, "AUFTRAG", "Programm-Version", 64);
  zv::Ini_PutInt(doc, "AUFTRAG", "Proben", shape.samples);
  zv::Ini_PutInt(doc, "AUFTRAG", "Lagerungen", shape.storages);
  zv::Ini_PutRawString(doc, "AUFTRAG", "IDENT-Nummer", "2024-0815");
  zv::Ini_PutRawString(doc, "AUFTRAG", "IDENT-Name", "Haftzugpruefung Fassade Nord");
  zv::Ini_PutRawString(doc, "AUFTRAG", "Tabellen-Titel", "Haftzugfestigkeit");
  char name[96];
  for (int s = 1; s <= shape.samples; ++s) {
    std::snprintf(name, sizeof name, "Probe-%d", s);
    zv::Ini_PutRawString(doc, name, "Probenname", "Probe " + std::to_string(s));
    for (int t = 1; t <= shape.storages; ++t) {
      std::snprintf(name, sizeof name, "Probe-%d/Lagerung-%d", s, t);
      zv::Ini_PutInt(doc, name, "Messungen", shape.measurements);
      zv::Ini_PutDouble(doc, name,
                        "Me\xDF"
                        "bereich",
                        10.0);
      zv::Ini_PutDouble(doc, name, "Abzug", 100.0);
      zv::Ini_PutDouble(doc, name,
                        "Probenfl\xE4"
                        "che",
                        area);
      zv::Ini_PutRawString(doc, name, "Lagerungsname", "Lagerung " + std::to_string(t));
      zv::Ini_PutRawString(doc, name, "Ausri\xDF(Summe)", "A/B");
      for (int m = 1; m <= shape.measurements; ++m) {
        std::snprintf(name, sizeof name, "Probe-%d/Lagerung-%d/Messung-%d", s, t, m);
        zv::Ini_PutDouble(doc, name, "Me\xDFwert", force(rng));
        zv::Ini_PutInt(doc, name, "Me\xDFpunkte", 200 + static_cast<int>(rng() % 4000));
        zv::Ini_PutInt(doc, name, "Statistik", 1);
        zv::Ini_PutInt(doc, name, "Status", 5);
        zv::Ini_PutDouble(doc, name,
                          "Me\xDF"
                          "bereich",
                          10.0);
        zv::Ini_PutDouble(doc, name,
                          "Probenfl\xE4"
                          "che",
                          area);
        zv::Ini_PutInt(doc, name, "Kanal", static_cast<int>(rng() % 2));
        zv::Ini_PutRawString(doc, name, "Ger\xE4tename", "Zarvik 850 Nr. 1");
      }
    }
  }
}

// Reads the file with our engine, then looks every measurement value up the way the data set
// reader does; the first lookup builds the section index. Prints: seconds-read cpu-seconds-read
// cpu-seconds-index seconds-lookups peak-rss-bytes checksum
int childOurs(const char* path, const Shape& shape) {
  const auto start = Clock::now();
  const double cpuStart = cpuSeconds();
  zv::IniHandle doc = zv::Ini_New(0);
  if (zv::Ini_ReadFromFile(doc, path) != 0)
    return 1;
  const double readTime = secondsSince(start);
  const double readCpu = cpuSeconds() - cpuStart;
  const auto lookStart = Clock::now();
  const double indexStart = cpuSeconds();
  double sum = zv::Ini_SectionExists(doc, "AUFTRAG");
  const double indexCpu = cpuSeconds() - indexStart;
  char name[96];
  for (int s = 1; s <= shape.samples; ++s)
    for (int t = 1; t <= shape.storages; ++t)
      for (int m = 1; m <= shape.measurements; ++m) {
        std::snprintf(name, sizeof name, "Probe-%d/Lagerung-%d/Messung-%d", s, t, m);
        double v = 0;
        std::int32_t n = 0;
        char dev[30];
        zv::Ini_GetDouble(doc, name, "Me\xDFwert", &v);
        zv::Ini_GetInt(doc, name, "Status", &n);
        zv::Ini_GetRawStringIntoBuffer(doc, name, "Ger\xE4tename", dev, sizeof dev);
        sum += v + n + dev[0];
      }
  const double lookTime = secondsSince(lookStart);
  std::printf("%.6f %.6f %.6f %.6f %llu %.3f\n", readTime, readCpu, indexCpu, lookTime,
              static_cast<unsigned long long>(peakRss()), sum);
  return 0;
}

#ifdef ZV_HAVE_INIH
int inihHandler(void* user, const char* section, const char* name, const char* value) {
  auto* count = static_cast<std::uint64_t*>(user);
  *count += 1 + std::strlen(section) + std::strlen(name) + std::strlen(value);
  return 1;
}

int childInih(const char* path) {
  const auto start = Clock::now();
  const double cpuStart = cpuSeconds();
  std::uint64_t count = 0;
  const int r = ini_parse(path, inihHandler, &count);
  const double t = secondsSince(start);
  const double cpu = cpuSeconds() - cpuStart;
  std::printf("%.6f %.6f 0 0 %llu %llu\n", t, cpu, static_cast<unsigned long long>(peakRss()),
              static_cast<unsigned long long>(count));
  return r == 0 ? 0 : 1;
}
#endif

struct ChildResult {
  double seconds = 0, cpu = 0, indexCpu = 0, lookups = 0;
  std::uint64_t peak = 0;
  bool ok = false;
};

ChildResult runChild(const std::string& self, const std::string& mode, const std::string& path,
                     const Shape& shape) {
  const std::string cmd = "'" + self + "' --child " + mode + " '" + path + "' " +
                          std::to_string(shape.samples) + " " + std::to_string(shape.storages) +
                          " " + std::to_string(shape.measurements);
  ChildResult r;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p)
    return r;
  unsigned long long peak = 0;
  double extra = 0;
  r.ok = std::fscanf(p, "%lf %lf %lf %lf %llu %lf", &r.seconds, &r.cpu, &r.indexCpu, &r.lookups,
                     &peak, &extra) == 6;
  r.peak = peak;
  r.ok = ::pclose(p) == 0 && r.ok;
  return r;
}

// Several runs of one child: wall and CPU seconds of each, the largest peak.
struct Runs {
  zv::bench::Series read;
  std::vector<double> readAndIndexCpu;
  std::vector<double> lookups;
  std::uint64_t peak = 0;
  bool ok = false;
};

Runs repeat(const std::string& self, const std::string& mode, const std::string& path,
            const Shape& shape, int runs) {
  Runs all;
  for (int i = 0; i < runs; ++i) {
    const ChildResult r = runChild(self, mode, path, shape);
    if (!r.ok)
      return all;
    all.read.add({r.seconds, r.cpu});
    all.readAndIndexCpu.push_back(r.cpu + r.indexCpu);
    all.lookups.push_back(r.lookups);
    all.peak = std::max(all.peak, r.peak);
  }
  all.ok = true;
  return all;
}

} // namespace

int main(int argc, char** argv) {
  zv::restartWithHugePageHeap(argv); // as the program starts
  Shape shape;
  if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
    if (argc >= 7) {
      shape.samples = std::atoi(argv[4]);
      shape.storages = std::atoi(argv[5]);
      shape.measurements = std::atoi(argv[6]);
    }
    if (std::strcmp(argv[2], "ours") == 0)
      return childOurs(argv[3], shape);
#ifdef ZV_HAVE_INIH
    if (std::strcmp(argv[2], "inih") == 0)
      return childInih(argv[3]);
#endif
    return 2;
  }

  std::filesystem::path dir =
      argc >= 2 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
  if (argc >= 5) {
    shape.samples = std::atoi(argv[2]);
    shape.storages = std::atoi(argv[3]);
    shape.measurements = std::atoi(argv[4]);
  }
  const std::filesystem::path file = dir / ("zv-bench-" + std::to_string(::getpid()) + ".DAT");
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();

  std::printf("shape: %d samples x %d storages x %d measurements; %s\n", shape.samples,
              shape.storages, shape.measurements, zv::bench::loadAverage().c_str());
  double mb = 0;
  {
    const zv::bench::Stopwatch filling;
    zv::IniHandle doc = zv::Ini_New(0);
    fill(doc, shape);
    const zv::bench::Span fillTime = filling.elapsed();
    std::printf("puts (duplicate checking off): %.2f s (%.2f s CPU), peak RSS so far %.0f MB\n",
                fillTime.wall, fillTime.cpu, peakRss() / 1e6);

    const zv::bench::Stopwatch writing;
    const int w = zv::Ini_WriteToFile(doc, file);
    const zv::bench::Span write = writing.elapsed();
    const double writeTime = write.wall;
    if (w != 0) {
      std::fprintf(stderr, "Ini_WriteToFile failed: %d\n", w);
      return 1;
    }
    mb = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
    std::printf("file: %.1f MB\n", mb);
    std::printf("write to file (buffered, fsync, rename): %.2f s (%.2f s CPU) = %.0f MB/s\n",
                writeTime, write.cpu, mb / writeTime);
  }

  constexpr int Runs = 5;
  const auto ours = repeat(self, "ours", file.string(), shape, Runs);
  if (!ours.ok) {
    std::fprintf(stderr, "reading the file back failed\n");
    return 1;
  }
  std::printf("%d runs each; seconds as min / median, wall time and CPU time (user + system)\n",
              Runs);
  std::printf("our read:  %s   = %.0f MB/s (median CPU), peak RSS %.0f MB = %.2f x file size\n",
              ours.read.text().c_str(), mb / median(ours.read.cpu), ours.peak / 1e6,
              ours.peak / 1e6 / mb);
  std::printf("our read and the first lookup, which builds the section index: %.3f / %.3f s CPU\n",
              minimum(ours.readAndIndexCpu), median(ours.readAndIndexCpu));
  std::printf("lookups of 3 values in every measurement section: %.3f / %.3f s wall\n",
              minimum(ours.lookups), median(ours.lookups));
#ifdef ZV_HAVE_INIH
  const auto ref = repeat(self, "inih", file.string(), shape, Runs);
  if (ref.ok) {
    std::printf("inih read: %s   (handler only, no document), peak RSS %.0f MB\n",
                ref.read.text().c_str(), ref.peak / 1e6);
    std::printf("read time ratio ours / inih, medians: %.2f wall, %.2f CPU (goal: <= 0.3 CPU); "
                "with the index: %.2f CPU\n",
                median(ours.read.wall) / median(ref.read.wall),
                median(ours.read.cpu) / median(ref.read.cpu),
                median(ours.readAndIndexCpu) / median(ref.read.cpu));
  } else {
    std::printf("inih read failed\n");
  }
#else
  std::printf("inih not found: no reference read\n");
#endif
  std::printf("at the end: %s\n", zv::bench::loadAverage().c_str());
  std::filesystem::remove(file);
  return 0;
}
