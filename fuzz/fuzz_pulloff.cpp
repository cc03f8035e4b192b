// Feeds arbitrary samples to the pull-off processor, with settings taken from the first bytes,
// in reads of arbitrary sizes. Whatever the acquisition delivers (not a number, infinities,
// huge values), the run must stay inside its buffers and every force it records must be a
// finite number.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/zv_dataset.hpp"
#include "daq/zv_pulloff_processor.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_silent_ui.hpp"

namespace {

using namespace zv;

using NoUi = SilentUi;

class Bytes {
public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  // A value in [lo, hi] from one byte.
  double scaled(double lo, double hi) { return lo + (hi - lo) * byte() / 255.0; }
  bool sample(double& v) {
    if (size_ - pos_ < sizeof(double))
      return false;
    std::memcpy(&v, data_ + pos_, sizeof v);
    pos_ += sizeof v;
    return true;
  }

private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

class FuzzAcquisition final : public Acquisition {
public:
  explicit FuzzAcquisition(Bytes& bytes, double rate) : bytes_(bytes), rate_(rate) {}
  void announcePullSpeed(int, double) override {}
  int daqStart(int, double, int, double& actual) override {
    actual = rate_;
    return 0;
  }
  int daqStop() override { return 0; }
  int daqRead(const double*& samples) override {
    const int n = bytes_.byte() * 8;
    block_.clear();
    double v = 0.0;
    for (int i = 0; i < n && bytes_.sample(v); ++i)
      block_.push_back(v);
    samples = block_.data();
    return static_cast<int>(block_.size());
  }

private:
  Bytes& bytes_;
  double rate_;
  std::vector<double> block_;
};

class OneTester final : public TesterLookup {
public:
  const std::string* testerName(int) const override { return &name; }
  const PistonList* testerPistons(int) const override { return &pistons; }
  std::string name = "fuzz";
  PistonList pistons;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static StillClock clock;
  static NoUi ui;
  static ErrorLog log(clock, std::filesystem::temp_directory_path());
  Bytes bytes(data, size);
  Reporter reporter(log, ui);
  Language lang;
  DataSetModel model(reporter, lang);
  MeasParams mp;
  setMeasParamsDefaults(mp);
  mp.average = 1 + bytes.byte() % 100;
  mp.nSpikeNum = 1 + bytes.byte() % 100;
  mp.gphPoints = 400 + bytes.byte() * 4;
  mp.dTrigDiffTime = bytes.scaled(0.0, 10.0);
  mp.startTime = bytes.scaled(0.0, 10.0);
  mp.stopTime = bytes.scaled(0.0, 10.0);
  mp.dPostTrigTime = bytes.scaled(0.0, 10.0);
  mp.startProzent = bytes.scaled(0.0, 500.0);
  mp.stopProzent = bytes.scaled(-100.0, 100.0);
  mp.forcLimitEnable = bytes.byte() & 1;
  mp.forcLimitRelVal = bytes.scaled(0.0, 100.0);
  const double rate = bytes.scaled(0.2, 2000.0);
  OneTester tester;
  PistonRange& piston = *tester.pistons.piston(0);
  piston.calFlags = PistonRange::FullyCalibrated;
  piston.calVolts2 = bytes.scaled(0.1, 10.0);
  piston.calForce2 = bytes.scaled(-50.0, 50.0);
  model.createDataSet();
  model.addSamples(1);
  model.addStorages(1);
  model.storageAt(0, 0)->speed = bytes.scaled(1.0, 1000.0);
  FuzzAcquisition acq(bytes, rate);
  PullOffProcessor proc(mp, model, acq, tester, reporter, lang);
  proc.setRunning({0, 0, 0});
  if (proc.measStart() != 0)
    std::abort();
  for (int tick = 0; tick < 64 && proc.isMeasuring(); ++tick) {
    const RunTick ran = proc.measTick();
    const Measurement& m = *model.measurementAt(0, 0, 0);
    if (m.pointCount < 0 || m.pointCount > mp.gphPoints || !std::isfinite(m.force) ||
        !std::isfinite(proc.detector().slope()))
      std::abort();
    for (int i = 0; i < m.pointCount; ++i)
      if (!std::isfinite(m.points[static_cast<std::size_t>(i)]))
        std::abort();
    if (ran.finished)
      break;
  }
  proc.measStop();
  if (!std::isfinite(model.measurementAt(0, 0, 0)->force))
    std::abort();
  return 0;
}
