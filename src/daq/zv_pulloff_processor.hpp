#pragma once
// Pull-off signal processing: turns the raw voltage samples of the tester into the force curve
// of one measurement, recognises trigger and tear-off, and yields the pull-off force as the
// mean of the points recorded during the tracking time after the tear-off.
//
// One PullOffProcessor exists; the measurement control starts it on the running measurement
// (measStart), feeds it on every timer tick (measTick) and ends the run (measStop). Nothing is
// allocated per sample or per tick: the histories are fixed arrays, the read block is fixed,
// and the curve buffer is allocated once per run.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/zv_dataset.hpp"
#include "core/zv_meas_params.hpp"
#include "core/zv_piston_list.hpp"
#include "daq/zv_pulloff_detector.hpp"
#include "platform/zv_refresh.hpp"
#include "support/zv_message.hpp"
#include "support/zv_texts.hpp"

namespace zv {

// The acquisition as the processor uses it (the DAQ program layer). Failures of start and
// stop are reported and reflected in daqErrorState by the implementation.
class Acquisition {
public:
  virtual ~Acquisition() = default;
  // Tells the tester the pull speed of the coming specimen (a simulated tester follows it;
  // real hardware ignores it).
  virtual void announcePullSpeed(int channel, double newtonPerSecond) = 0;
  // Starts the analog acquisition of a channel for a piston's full-scale voltage. 0 and the
  // rate the device actually runs at, or a negative code.
  virtual int daqStart(int channel, double fullScaleVolts, int requestedRate,
                       double& actualRate) = 0;
  // Stops and clears any acquisition that is set up. 0, or a negative code.
  virtual int daqStop() = 0;
  // Reads every sample available (at most one block of 10000). The number read with samples
  // pointing at them, or a negative code (already recorded in the error log).
  virtual int daqRead(const double*& samples) = 0;
};

class Daq;

// The real acquisition: the DAQ program layer.
class DaqAcquisition final : public Acquisition {
public:
  explicit DaqAcquisition(Daq& daq) : daq_(daq) {}
  void announcePullSpeed(int channel, double newtonPerSecond) override;
  int daqStart(int channel, double fullScaleVolts, int requestedRate, double& actualRate) override;
  int daqStop() override;
  int daqRead(const double*& samples) override;

private:
  Daq& daq_;
};

// The two tester device records, as far as a measurement needs them.
class TesterLookup {
public:
  virtual ~TesterLookup() = default;
  // The name and pistons of the device of a channel; nullptr when there is no such device.
  virtual const std::string* testerName(int channel) const = 0;
  virtual const PistonList* testerPistons(int channel) const = 0;
};

// The two testers as they are before any device file is read: no name, the built-in pistons.
class BuiltInTesters final : public TesterLookup {
public:
  const std::string* testerName(int channel) const override {
    return channel == 0 || channel == 1 ? &names[channel] : nullptr;
  }
  const PistonList* testerPistons(int channel) const override {
    return channel == 0 || channel == 1 ? &pistons[channel] : nullptr;
  }
  std::string names[2] = {"---", "---"};
  PistonList pistons[2];
};

// The tester device records of the program (anything with device(channel) giving a record
// with a name and pistons, or nullptr), as the processor sees them.
template <class Devices> class DeviceTesterLookup final : public TesterLookup {
public:
  explicit DeviceTesterLookup(const Devices& devices) : devices_(devices) {}
  const std::string* testerName(int channel) const override {
    const auto* d = devices_.device(channel);
    return d ? &d->name : nullptr;
  }
  const PistonList* testerPistons(int channel) const override {
    const auto* d = devices_.device(channel);
    return d ? &d->pistons : nullptr;
  }

private:
  const Devices& devices_;
};

// What one timer tick of a run brought, for the measurement control to show.
struct RunTick {
  bool newPoints = false; // the curve grew (or scrolled)
  bool triggered = false;
  bool tornOff = false;
  bool finished = false; // the tracking time is over, or a stop was requested
};

// Refresh bits of the measurement window.
namespace measbits {
constexpr std::uint32_t Captions = 0x01;
constexpr std::uint32_t Selectors = 0x02;
constexpr std::uint32_t Status = 0x10;
constexpr std::uint32_t Selection = 0x12; // selectors and status
constexpr std::uint32_t Commands = 0x20;
constexpr std::uint32_t StatusAndCommands = 0x30;
constexpr std::uint32_t Title = 0x40;
constexpr std::uint32_t All = 0xFFF;
constexpr std::uint32_t Forced = 0x8000;
} // namespace measbits

// Result codes.
enum PullOffProcessorCode : int {
  MeasErrNoMeasurementForPlot = -1201,
  MeasErrPlotBuffer = -1202,
  MeasErrDaqStart = -1205,
  MeasErrDaqStop = -1206,
  MeasErrDaqRead = -1207, // recorded with the driver's status and text
  MeasErrLimitsNoMeasurement = -1210,
  MeasErrDaqState = -1220,
  MeasErrNoMeasurement = -1221,
  MeasErrInitPlot = -1225,
  MeasErrStopBeforeStart = -1226,
  MeasErrNoTester = -1227,
  MeasErrNoStorage = -1228,
  MeasErrNoPiston = -1229,
  MeasErrStart = -1230,
  MeasErrCalibration = -1231, // two calibration points with the same voltage
  MeasErrStopNoMeasurement = -1240,
};

// The running measurement: starts the acquisition on its slot, feeds the samples of each
// timer tick through the detector into the slot's curve, and writes the pull-off force. The
// spike filter's slope limit is fixed (see PullOffDetector), so that results agree with every
// measurement taken before; the configured dSpikeLim is kept, edited and reported but not
// used for it.
class PullOffProcessor {
public:
  PullOffProcessor(MeasParams& params, DataSetModel& model, Acquisition& acquisition,
                   const TesterLookup& devices, Reporter& reporter, const Language& language);

  // What daqInit and daqShutdown reset: the run flags and the curve's time offset.
  void resetRunState();

  // Another acquisition or tester source (tests; the device records once they are read).
  void setAcquisition(Acquisition& acquisition) { acquisition_ = &acquisition; }
  void setTesters(const TesterLookup& devices) { devices_ = &devices; }
  const TesterLookup& testers() const { return *devices_; }

  // The measurement the processor writes into, named by its place in the data set.
  void setRunning(const Selection& where) {
    running_ = where;
    hasRunning_ = true;
  }
  void clearRunning() { hasRunning_ = false; }
  bool hasRunning() const { return hasRunning_; }
  const Selection& runningSelection() const { return running_; }
  Measurement* runningMeasurement();

  // Prepares the run on the running measurement and starts the acquisition. 0, 1 when a stop
  // was requested before, or a negative code.
  int measStart();
  // A run stopped before its trigger gives its slot back exactly as it was before the start
  // (force, status, On/Off, curve). false when the run saw a trigger or there is no run.
  bool giveBackUntriggeredSlot();
  // The running slot as it was before its start; nullptr without a run.
  const Measurement* slotBeforeRun() const { return slotBeforeRun_ ? &*slotBeforeRun_ : nullptr; }
  // Consumes every sample the acquisition has delivered into the running slot: its curve,
  // force and status ("Trigger", "Pull-Off").
  RunTick measTick();
  // Ends the acquisition; with trigger and tear-off seen, writes the pull-off force, sets
  // "Measuring Valid" and counts the slot in the statistics.
  int measStop();
  // Thresholds, force limit and point counts from the parameters and the running measurement.
  int calcLimits();
  // A zeroed curve of gphPoints points for the measurement, pointCount 0.
  int initPlotBuffer(Measurement* measurement);

  // A run is on: from a successful start until its stop, the end of its pull or a reset.
  bool isMeasuring() const { return measuring_; }
  // What the calibration reads while its dialog is open.
  const bool& measuringFlag() const { return measuring_; }
  // Ends the running state without touching the slot (the operator's stop, the exit).
  void endMeasuring() { measuring_ = false; }
  // The running state without an acquisition, for a window or a flow that is to show or refuse
  // what depends on it.
  void setMeasuring(bool on) { measuring_ = on; }
  // The operator asked to stop: a series does not go on after the current slot.
  void requestStop() { stopRequested_ = true; }
  void clearStopRequest() { stopRequested_ = false; }
  bool stopWasRequested() const { return stopRequested_; }
  // The acquisition of the running slot has been stopped.
  bool acquisitionStopped() const { return stopped_; }

  // Working state, readable for the windows and tests.
  const PullOffDetector& detector() const { return detector_; }
  DetectorState state() const { return detector_.state(); }
  double timeOffset() const { return detector_.timeOffset(); }
  int trigIndex() const { return detector_.triggerIndex(); }
  int pullIndex() const { return detector_.tearOffIndex(); }
  int processed() const { return detector_.processed(); }
  long long rawCount() const { return detector_.rawCount(); }
  int startPoints() const { return detector_.limits().startPoints; }
  int stopPoints() const { return detector_.limits().stopPoints; }
  int trigDiffPoints() const { return detector_.limits().slopePoints; }
  int postPoints() const { return detector_.limits().postPoints; }
  double startThreshold() const { return detector_.limits().startThreshold; }
  double stopThreshold() const { return detector_.limits().stopThreshold; }
  double slopeBaseTime() const { return detector_.slopeBaseTime(); }
  // The axes at the start of a run: time span from the curve length, force span the piston.
  double startTimeSpan() const { return startTimeSpan_; }
  double startForceSpan() const { return startForceSpan_; }
  // Where the last finished run puts the trigger cursor; -1 when it has none.
  int triggerCursor() const { return triggerCursor_; }

private:
  int report(int code);
  void message(const TextPair& text, int flags);
  // measStart from resetting the run to starting the acquisition.
  int prepareRun(Measurement& m);
  // Runs samples[0..n) through the detector into m; stops early once the run finished.
  RunTick processBlock(const double* samples, int n, Measurement& m);
  void copyCurveTo(Measurement& m);

  MeasParams& params_;
  DataSetModel& model_;
  Acquisition* acquisition_;
  const TesterLookup* devices_;
  Reporter& reporter_;
  const Language& language_;

  bool measuring_ = false;
  bool stopped_ = false;
  bool stopRequested_ = false;
  Selection running_;
  bool hasRunning_ = false;
  std::optional<Measurement> slotBeforeRun_; // the running slot as it was before its start

  PullOffDetector detector_;
  int curveRate_ = 1;
  int synced_ = 0; // points of the curve already copied to the measurement

  double startTimeSpan_ = 1.0;
  double startForceSpan_ = 0.1;
  int triggerCursor_ = -1;
};

} // namespace zv
