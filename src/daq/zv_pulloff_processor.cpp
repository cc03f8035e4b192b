#include "daq/zv_pulloff_processor.hpp"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "daq/zv_daq.hpp"
#include "platform/zv_latin1.hpp"

namespace zv {

namespace {

constexpr TextPair NotCalibratedText{"The piston wasn't calibrated yet !",
                                     "Der Kolben wurde noch nicht kalibriert !"};
constexpr TextPair BadCalibrationText{
    "The two calibration points of the piston have the same voltage or the same force - the "
    "piston cannot be used for measuring. Please calibrate it again.",
    "Die beiden Kalibrierpunkte des Kolbens haben dieselbe Spannung oder dieselbe Kraft - mit "
    "dem Kolben kann nicht gemessen werden. Bitte neu kalibrieren."};

// Seconds times rate as a whole number of points, truncated toward zero; never negative and
// never past what an int holds.
int toPoints(double seconds, double rate) {
  const double v = seconds * rate;
  if (!(v > 0.0))
    return 0;
  if (v >= static_cast<double>(INT_MAX / 4))
    return INT_MAX / 4;
  return static_cast<int>(v);
}

} // namespace

PullOffProcessor::PullOffProcessor(MeasParams& params, DataSetModel& model,
                                   Acquisition& acquisition, const TesterLookup& devices,
                                   Reporter& reporter, const Language& language)
    : params_(params), model_(model), acquisition_(&acquisition), devices_(&devices),
      reporter_(reporter), language_(language) {}

void DaqAcquisition::announcePullSpeed(int channel, double newtonPerSecond) {
  daq_.announcePullSpeed(channel, newtonPerSecond);
}

int DaqAcquisition::daqStart(int channel, double fullScaleVolts, int requestedRate,
                             double& actualRate) {
  return daq_.daqStart(channel, fullScaleVolts, requestedRate, actualRate);
}

int DaqAcquisition::daqStop() {
  return daq_.daqStop();
}

int DaqAcquisition::daqRead(const double*& samples) {
  const int n = daq_.daqRead();
  if (n < 0)
    return daq_.reportDaqError(MeasErrDaqRead, n);
  samples = daq_.samples().data();
  return n;
}

void PullOffProcessor::resetRunState() {
  measuring_ = false;
  stopRequested_ = false;
  stopped_ = false;
  detector_ = PullOffDetector{};
}

int PullOffProcessor::report(int code) {
  return reporter_.reportError(code, 0);
}

void PullOffProcessor::message(const TextPair& text, int flags) {
  reporter_.reportMessage(flags, 0, "", language_.pick(text), 0);
}

Measurement* PullOffProcessor::runningMeasurement() {
  if (!hasRunning_)
    return nullptr;
  return model_.measurementAt(running_.sample, running_.storage, running_.measurement);
}

int PullOffProcessor::initPlotBuffer(Measurement* m) {
  if (!m)
    return report(MeasErrNoMeasurementForPlot);
  const int gph = std::max(params_.gphPoints, 2);
  if (allocPoints(*m, gph) < 0)
    return report(MeasErrPlotBuffer);
  m->pointCount = 0;
  triggerCursor_ = -1;
  if (!detector_.start(gph, params_.nSpikeNum, params_.average)) {
    freePoints(*m);
    return report(MeasErrPlotBuffer);
  }
  synced_ = 0;
  return 0;
}

int PullOffProcessor::calcLimits() {
  Measurement* m = runningMeasurement();
  if (!m)
    return report(MeasErrLimitsNoMeasurement);
  const double rate = params_.dSampleRateActual;
  DetectorLimits l;
  l.sampleRate = rate;
  l.curveRate = curveRate_;
  l.startThreshold = params_.startProzent * m->speed / 100.0 / 1000.0;
  l.stopThreshold = params_.stopProzent * m->speed / 100.0 / 1000.0;
  l.startPoints = toPoints(params_.startTime, rate);
  l.stopPoints = toPoints(params_.stopTime, rate);
  l.postPoints = toPoints(params_.dPostTrigTime, rate);
  l.forceLimitEnabled = params_.forcLimitEnable != 0;
  l.forceLimit = m->range * (params_.forcLimitRelVal / 100.0);
  params_.startThreshold = l.startThreshold;
  params_.stopThreshold = l.stopThreshold;
  params_.forceLimit = l.forceLimit;
  int trig = toPoints(params_.dTrigDiffTime, rate);
  // The curve being filled decides how far back a slope can look.
  const int gph = measuring_ && detector_.curveCapacity() >= 2 ? detector_.curveCapacity()
                                                               : std::max(params_.gphPoints, 2);
  if (trig > gph - 1) {
    trig = gph - 1;
    params_.dTrigDiffTime = trig / rate; // what is saved and reported from now on
  }
  // A distance of 0 would compare each point with itself: no slope, never a trigger.
  l.slopePoints = std::max(trig, 1);
  params_.trigDiffPoints = l.slopePoints;
  params_.postTrigPoints = l.postPoints;
  detector_.setLimits(l);
  return 0;
}

int PullOffProcessor::measStart() {
  // A start that fails must not leave the indices of the previous run for the stop that
  // follows it, or that stop would compute a result on a curve this run never recorded.
  detector_ = PullOffDetector{};
  triggerCursor_ = -1;
  slotBeforeRun_.reset();
  if (params_.daqErrorState != 0)
    return report(MeasErrDaqState);
  Measurement* m = runningMeasurement();
  if (!m)
    return report(MeasErrNoMeasurement);
  if (stopRequested_)
    return 1;
  // What the slot held before: a start that fails gives it back unchanged.
  Measurement before = *m;
  const int rc = prepareRun(*m);
  if (rc != 0) {
    *m = std::move(before);
    return rc;
  }
  slotBeforeRun_ = std::move(before);
  measuring_ = true;
  stopped_ = false;
  m->status = static_cast<std::int32_t>(MeasurementStatus::NewMeasuring);
  return 0;
}

bool PullOffProcessor::giveBackUntriggeredSlot() {
  Measurement* m = runningMeasurement();
  if (!m || !slotBeforeRun_ ||
      m->status != static_cast<std::int32_t>(MeasurementStatus::NewMeasuring))
    return false;
  *m = std::move(*slotBeforeRun_);
  slotBeforeRun_.reset();
  return true;
}

int PullOffProcessor::prepareRun(Measurement& m) {
  if (initPlotBuffer(&m) != 0)
    return report(MeasErrInitPlot);
  if (acquisition_->daqStop() != 0) {
    params_.daqErrorState = 10;
    return report(MeasErrStopBeforeStart);
  }
  const int channel = params_.hardChn;
  const std::string* testerName = devices_->testerName(channel);
  const PistonList* pistons = devices_->testerPistons(channel);
  if (!testerName || !pistons)
    return report(MeasErrNoTester);
  const StorageCondition* storage = model_.storageAt(running_.sample, running_.storage);
  if (!storage)
    return report(MeasErrNoStorage);
  // The storage's piston, or the device's first one when the storage names none of its own.
  const int pistonIndex = pistons->find(storage->range);
  const PistonRange* piston = pistons->piston(pistonIndex >= 0 ? pistonIndex : 0);
  if (!piston)
    return report(MeasErrNoPiston);
  const CalibrationLine line = pistonCalibrationLine(*piston);
  if (!line.usable()) {
    // Every force would be infinite, or the same for every pull: nothing sensible to record.
    return reporter_.reportMessage(report::PopupAndLog, 0, "", language_.pick(BadCalibrationText),
                                   MeasErrCalibration);
  }

  m.range = storage->range;
  m.area = storage->area;
  m.speed = storage->speed;
  m.channel = channel;
  m.deviceName = cutToField(*testerName, Measurement::DeviceNameSize);
  detector_.setCalibration(line.offset, line.gain);
  if (piston->calFlags != PistonRange::FullyCalibrated)
    message(NotCalibratedText, report::Popup);

  acquisition_->announcePullSpeed(channel, m.speed);
  double actual = 0.0;
  if (acquisition_->daqStart(channel, piston->rangeVolts, params_.sampleRate, actual) != 0 ||
      !(actual > 0.0) || !std::isfinite(actual))
    return report(MeasErrStart);
  params_.dSampleRateActual = actual;
  // A device slower than 1 Hz still records one point per second of curve time.
  curveRate_ = actual < 1.0 ? 1 : toPoints(1.0, actual);
  calcLimits();

  m.curveRate = curveRate_;
  startTimeSpan_ = std::max(1.0, static_cast<double>(detector_.curveCapacity() / curveRate_));
  startForceSpan_ = m.range;
  return 0;
}

RunTick PullOffProcessor::processBlock(const double* samples, int n, Measurement& m) {
  const int pointsBefore = detector_.processed();
  const DetectorStep step = detector_.feed(samples, n, stopRequested_);
  RunTick tick;
  tick.newPoints = detector_.processed() > pointsBefore;
  tick.triggered = step.triggered;
  tick.tornOff = step.tornOff;
  tick.finished = step.finished;
  if (tick.newPoints)
    m.force = detector_.force();
  if (step.triggered)
    m.status = static_cast<std::int32_t>(MeasurementStatus::Trigger);
  if (step.tornOff)
    m.status = static_cast<std::int32_t>(MeasurementStatus::PullOff);
  return tick;
}

void PullOffProcessor::copyCurveTo(Measurement& m) {
  const auto capacity = static_cast<std::size_t>(detector_.curveCapacity());
  if (m.points.size() < capacity) {
    m.points.assign(capacity, 0.0); // the buffer was taken away meanwhile
    synced_ = 0;
  }
  // While the curve fills only the new points need copying; once it scrolls, all moved.
  const int count = detector_.pointCount();
  const int from = detector_.takeScrolled() ? 0 : std::min(synced_, count);
  if (count > from)
    std::memcpy(m.points.data() + from, detector_.curve() + from,
                static_cast<std::size_t>(count - from) * sizeof(double));
  synced_ = count;
  m.pointCount = count;
}

RunTick PullOffProcessor::measTick() {
  // After the stop the acquisition is gone; a late timer tick must not read from it.
  if (params_.daqErrorState != 0 || !measuring_ || stopped_)
    return {};
  Measurement* m = runningMeasurement();
  if (!m)
    return {};
  const double* samples = nullptr;
  const int n = acquisition_->daqRead(samples);
  if (n < 0) {
    params_.daqErrorState = 9;
    return {};
  }
  if (n == 0 || !samples)
    return {};
  const RunTick tick = processBlock(samples, n, *m);
  copyCurveTo(*m);
  return tick;
}

int PullOffProcessor::measStop() {
  Measurement* m = runningMeasurement();
  if (!m)
    return report(MeasErrStopNoMeasurement);
  if (acquisition_->daqStop() != 0)
    params_.daqErrorState = 10; // reported by the acquisition; the stop goes on
  stopped_ = true;
  const int trigger = detector_.triggerIndex();
  const int tearOff = detector_.tearOffIndex();
  if (m->hasPoints() && trigger >= 0 && tearOff >= 0 && m->pointCount > 0) {
    int post = detector_.processed() - tearOff;
    const int span = tearOff - trigger;
    int cursor = m->pointCount - post - span;
    if (cursor < 1)
      cursor = 1;
    if (post < 1)
      post = 1;
    triggerCursor_ = cursor;
    const int n = std::min(post, m->pointCount);
    double sum = 0.0;
    for (int i = m->pointCount - n; i < m->pointCount; ++i)
      sum += m->points[static_cast<std::size_t>(i)];
    m->force = sum / n;
    m->status = static_cast<std::int32_t>(MeasurementStatus::MeasuringValid);
    m->inStatistics = 1;
  }
  measuring_ = false;
  model_.markChanged(*m);
  return 0;
}

} // namespace zv
