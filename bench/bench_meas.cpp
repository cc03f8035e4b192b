// Throughput of the pull-off signal processing (measTick) with a curve of 10000 points: while
// the curve fills and while it scrolls. The samples come from blocks prepared in memory, read
// in blocks of the size a tick sees at 1 kHz and 0.5 s (500) and a full read (10000).
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "core/zv_dataset.hpp"
#include "daq/zv_pulloff_processor.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_silent_ui.hpp"

using namespace zv;

namespace {
using NoUi = SilentUi;

// Serves the same prepared samples for ever, `block` at a time, without copying.
class MemoryAcquisition final : public Acquisition {
public:
  explicit MemoryAcquisition(int block) : block_(block), samples_(1 << 20) {
    // Idle noise around a small offset with a spike now and then: never a trigger.
    unsigned x = 12345;
    for (auto& s : samples_) {
      x = x * 1103515245u + 12345u;
      s = 0.005 + ((x >> 16) % 1000) * 1e-6;
    }
    for (std::size_t i = 997; i < samples_.size(); i += 4001)
      samples_[i] += 0.8;
  }
  void announcePullSpeed(int, double) override {}
  int daqStart(int, double, int, double& actual) override {
    actual = 1000.0;
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

private:
  int block_;
  std::vector<double> samples_;
  std::size_t pos_ = 0;
};

class BuiltIn final : public TesterLookup {
public:
  BuiltIn() { pistons.piston(0)->calFlags = PistonRange::FullyCalibrated; }
  const std::string* testerName(int) const override { return &name; }
  const PistonList* testerPistons(int) const override { return &pistons; }
  std::string name = "bench";
  PistonList pistons;
};

struct Rig {
  StillClock clock;
  NoUi ui;
  ErrorLog log{clock, std::filesystem::temp_directory_path()};
  Reporter reporter{log, ui};
  Language lang;
  DataSetModel model{reporter, lang};
  MeasParams params;
  BuiltIn testers;
  bool measuring = false;
  MemoryAcquisition acq;
  PullOffProcessor proc;

  explicit Rig(int block)
      : acq(block), proc(params, model, acq, testers, reporter, lang, measuring) {
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

// Samples per second while the curve fills: repeated runs, each up to a full curve.
double filling(int block) {
  Rig rig(block);
  long long samples = 0;
  double elapsed = 0.0;
  for (int run = 0; run < 200; ++run) {
    rig.proc.measStart();
    const auto t0 = Clock_::now();
    while (rig.model.measurementAt(0, 0, 0)->pointCount < 10000) {
      rig.proc.measTick();
      samples += block;
    }
    elapsed += seconds(t0, Clock_::now());
  }
  return samples / elapsed;
}

// Samples per second once the curve is full and every point scrolls it.
double scrolling(int block) {
  Rig rig(block);
  rig.proc.measStart();
  while (rig.model.measurementAt(0, 0, 0)->pointCount < 10000)
    rig.proc.measTick();
  const long long total = 20'000'000;
  const auto t0 = Clock_::now();
  for (long long done = 0; done < total; done += block)
    rig.proc.measTick();
  return total / seconds(t0, Clock_::now());
}
} // namespace

int main() {
  std::printf("measTick throughput, curve of 10000 points, 1 kHz, average 10, spike depth 3\n");
  for (int block : {500, 10000}) {
    std::printf("  reads of %5d samples: filling %6.1f M samples/s, scrolling %6.1f M samples/s\n",
                block, filling(block) / 1e6, scrolling(block) / 1e6);
  }
  return 0;
}
