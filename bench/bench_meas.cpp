// Throughput of the pull-off signal processing (measTick) with a curve of 10000 points: while
// the curve fills and while it scrolls on an idle signal that never triggers, and through
// whole pulls (rise, trigger, tear-off, tracking time, result), so that the trigger and
// tear-off code is measured too. The samples come from blocks prepared in memory, read in
// blocks of the size a tick sees at 1 kHz and 0.5 s (500) and a full read (10000). Every
// figure is given in wall and in CPU time.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "bench_stats.hpp"
#include "core/zv_dataset.hpp"
#include "daq/zv_pulloff_processor.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_huge_page_heap.hpp"
#include "platform/zv_silent_ui.hpp"

using namespace zv;

namespace {
using NoUi = SilentUi;

// Serves prepared samples for ever, `block` at a time, without copying; with restartAtStart
// every start begins again at the first sample.
class LoopingAcquisition : public Acquisition {
public:
  LoopingAcquisition(int block, std::size_t size, bool restartAtStart)
      : block_(block), samples_(size), restartAtStart_(restartAtStart) {}
  void announcePullSpeed(int, double) override {}
  int daqStart(int, double, int, double& actual) override {
    actual = 1000.0;
    if (restartAtStart_)
      pos_ = 0;
    return 0;
  }
  int daqStop() override { return 0; }
  int daqRead(const double*& samples) override {
    if (pos_ + static_cast<std::size_t>(block_) > samples_.size())
      pos_ = 0;
    samples = samples_.data() + pos_;
    pos_ += static_cast<std::size_t>(block_);
    return block_;
  }

protected:
  int block_;
  std::vector<double> samples_;
  bool restartAtStart_;
  std::size_t pos_ = 0;
};

// An idle signal that never triggers.
class MemoryAcquisition final : public LoopingAcquisition {
public:
  explicit MemoryAcquisition(int block) : LoopingAcquisition(block, 1 << 20, false) {
    // Idle noise around a small offset with a spike now and then: never a trigger.
    unsigned x = 12345;
    for (auto& s : samples_) {
      x = x * 1103515245u + 12345u;
      s = 0.005 + ((x >> 16) % 1000) * 1e-6;
    }
    for (std::size_t i = 997; i < samples_.size(); i += 4001)
      samples_[i] += 0.8;
  }
};

// Pulls: idle, a rise of 2 V/s for 2 s, the tear-off (a drop back to idle), idle again. Every
// start begins with the first pull.
class PullAcquisition final : public LoopingAcquisition {
public:
  static constexpr int Idle = 300, Rise = 2000, Period = 6000;

  explicit PullAcquisition(int block) : LoopingAcquisition(block, Period * 64, true) {
    for (std::size_t i = 0; i < samples_.size(); ++i) {
      const int at = static_cast<int>(i % Period);
      const double rise = at < Idle ? 0.0 : at < Idle + Rise ? (at - Idle) * 0.002 : 0.0;
      samples_[i] = 0.005 + rise + ((i * 7919) % 13) * 1e-5;
    }
  }
};

class BuiltIn final : public TesterLookup {
public:
  BuiltIn() { pistons.piston(0)->calFlags = PistonRange::FullyCalibrated; }
  const std::string* testerName(int) const override { return &name; }
  const PistonList* testerPistons(int) const override { return &pistons; }
  std::string name = "bench";
  PistonList pistons;
};

template <class Source> struct Rig {
  StillClock clock;
  NoUi ui;
  ErrorLog log{clock, std::filesystem::temp_directory_path()};
  Reporter reporter{log, ui};
  Language lang;
  DataSetModel model{reporter, lang};
  MeasParams params;
  BuiltIn testers;
  Source acq;
  PullOffProcessor proc;

  explicit Rig(int block) : acq(block), proc(params, model, acq, testers, reporter, lang) {
    setMeasParamsDefaults(params);
    params.sampleRate = 1000;
    params.gphPoints = 10000;
    model.createDataSet();
    model.addSamples(1);
    model.addStorages(1);
    model.storageAt(0, 0)->speed = 100.0;
    model.storageAt(0, 0)->range = 10.0;
    proc.setRunning({0, 0, 0});
  }
};

using Clock_ = std::chrono::steady_clock;

double seconds(Clock_::time_point a, Clock_::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// Millions of samples per second, by wall and by CPU time.
struct Rate {
  double wall = 0, cpu = 0;
};
Rate rate(long long samples, const zv::bench::Span& span) {
  return {samples / span.wall / 1e6, samples / span.cpu / 1e6};
}

// While the curve fills: repeated runs, each up to a full curve.
Rate filling(int block) {
  Rig<MemoryAcquisition> rig(block);
  long long samples = 0;
  zv::bench::Span total;
  for (int run = 0; run < 200; ++run) {
    rig.proc.measStart();
    const zv::bench::Stopwatch watch;
    while (rig.model.measurementAt(0, 0, 0)->pointCount < 10000) {
      rig.proc.measTick();
      samples += block;
    }
    const zv::bench::Span s = watch.elapsed();
    total.wall += s.wall;
    total.cpu += s.cpu;
  }
  return rate(samples, total);
}

// Once the curve is full and every point scrolls it.
Rate scrolling(int block) {
  Rig<MemoryAcquisition> rig(block);
  rig.proc.measStart();
  while (rig.model.measurementAt(0, 0, 0)->pointCount < 10000)
    rig.proc.measTick();
  const long long total = 20'000'000;
  const zv::bench::Stopwatch watch;
  for (long long done = 0; done < total; done += block)
    rig.proc.measTick();
  return rate(total, watch.elapsed());
}

// Whole pulls: start, ticks until the run is finished, stop with the result.
struct Pulls {
  Rate rate;
  int runs = 0, triggered = 0, tornOff = 0, valid = 0;
};
Pulls pulling(int block) {
  Rig<PullAcquisition> rig(block);
  Pulls p;
  long long samples = 0;
  const zv::bench::Stopwatch watch;
  for (; p.runs < 300; ++p.runs) {
    if (rig.proc.measStart() != 0)
      break;
    bool finished = false;
    for (int ticks = 0; !finished && ticks * block < 4 * PullAcquisition::Period; ++ticks) {
      const RunTick tick = rig.proc.measTick();
      samples += block;
      p.triggered += tick.triggered;
      p.tornOff += tick.tornOff;
      finished = tick.finished;
    }
    rig.proc.measStop();
    p.valid += rig.model.measurementAt(0, 0, 0)->status ==
               static_cast<std::int32_t>(MeasurementStatus::MeasuringValid);
  }
  p.rate = rate(samples, watch.elapsed());
  return p;
}
} // namespace

int main(int, char** argv) {
  zv::restartWithHugePageHeap(argv); // as the program starts
  std::printf("measTick throughput, curve of 10000 points, 1 kHz, average 10, spike depth 3; %s\n",
              zv::bench::loadAverage().c_str());
  std::printf("M samples/s by wall time (by CPU time)\n");
  for (int block : {500, 10000}) {
    const Rate fill = filling(block);
    const Rate scroll = scrolling(block);
    const Pulls pulls = pulling(block);
    std::printf("  reads of %5d samples: idle filling %6.1f (%6.1f), idle scrolling %6.1f (%6.1f), "
                "pulls %6.1f (%6.1f)\n",
                block, fill.wall, fill.cpu, scroll.wall, scroll.cpu, pulls.rate.wall,
                pulls.rate.cpu);
    std::printf("    %d pulls: %d triggered, %d torn off, %d valid results\n", pulls.runs,
                pulls.triggered, pulls.tornOff, pulls.valid);
  }
  return 0;
}
