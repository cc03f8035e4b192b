#include "daq/zv_daq_action.hpp"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

#include "daq/zv_daq_init.hpp"
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

PullOffProcessor::PullOffProcessor(MeasParams& params, AuftrModel& model, Acquisition& acquisition,
                                   const TesterLookup& devices, Reporter& reporter,
                                   const Language& language, bool& measuringFlag)
    : measuring(measuringFlag), params_(params), model_(model), acquisition_(&acquisition),
      devices_(&devices), reporter_(reporter), language_(language) {}

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
  measuring = false;
  stopRequested = false;
  stopped = false;
  finished = false;
  redraw = false;
  timeOffset_ = 0.0;
}

int PullOffProcessor::report(int code) {
  return reporter_.reportError(code, 0);
}

void PullOffProcessor::message(const TextPair& text, int flags) {
  reporter_.reportMessage(flags, 0, "", language_.pick(text), 0);
}

void PullOffProcessor::requestRefresh(WindowId window, std::uint32_t bits) {
  if (refresh_)
    refresh_->requestRefresh(window, bits);
}

Measurement* PullOffProcessor::runningMeasurement() {
  if (!hasRunning_)
    return nullptr;
  return model_.auftrMeasurement(running_.sample, running_.storage, running_.measurement);
}

bool PullOffProcessor::isDisplayed(const Measurement&) const {
  const DataSet* d = model_.dataSet();
  return d && d->currentSample == running_.sample && d->currentStorage == running_.storage &&
         d->currentMeasurement == running_.measurement;
}

void PullOffProcessor::resetRun() {
  state_ = WAIT_TRIGGER;
  riseCount_ = fallCount_ = 0;
  accepted_ = true;
  rawCount_ = 0;
  avgReady_ = false;
  runSum_ = 0.0;
  filtered_ = 0.0;
  avgN_ = std::clamp(params_.average, 1, HistorySize);
  avgHist_.fill(0.0);
  avgPos_ = 0;
  spikeReady_ = false;
  nSpike_ = std::clamp(params_.nSpikeNum, 1, HistorySize);
  spikeHist_.fill(0.0);
  spikeHead_ = 0;
  slopeReady_ = false;
  slope_ = 0.0;
  timeOffset_ = 0.0;
  trigIndex_ = pullIndex_ = -1;
  processed_ = 0;
  curveStart_ = curveCount_ = 0;
  triggerCursor_ = -1;
}

int PullOffProcessor::initPlotBuffer(Measurement* m) {
  if (!m)
    return report(MeasErrNoMeasurementForPlot);
  const int gph = std::max(params_.gphPoints, 2);
  if (auftrAllocPoints(*m, gph) < 0)
    return report(MeasErrPlotBuffer);
  m->pointCount = 0;
  try {
    curve_.assign(2 * static_cast<std::size_t>(gph), 0.0);
  } catch (const std::bad_alloc&) {
    auftrFreePoints(*m);
    return report(MeasErrPlotBuffer);
  }
  gph_ = gph;
  curveStart_ = curveCount_ = 0;
  synced_ = 0;
  scrolled_ = false;
  return 0;
}

int PullOffProcessor::calcLimits() {
  Measurement* m = runningMeasurement();
  if (!m)
    return report(MeasErrLimitsNoMeasurement);
  const double rate = params_.dSampleRateActual;
  const double speed = m->speed;
  startThreshold_ = params_.startProzent * speed / 100.0 / 1000.0;
  stopThreshold_ = params_.stopProzent * speed / 100.0 / 1000.0;
  params_.startThreshold = startThreshold_;
  params_.stopThreshold = stopThreshold_;
  params_.forceLimit = m->range * (params_.forcLimitRelVal / 100.0);
  startPoints_ = toPoints(params_.startTime, rate);
  stopPoints_ = toPoints(params_.stopTime, rate);
  postPoints_ = toPoints(params_.dPostTrigTime, rate);
  int trig = toPoints(params_.dTrigDiffTime, rate);
  // The curve being filled decides how far back a slope can look.
  const int gph = measuring && gph_ >= 2 ? gph_ : std::max(params_.gphPoints, 2);
  if (trig > gph - 1) {
    trig = gph - 1;
    params_.dTrigDiffTime = trig / rate; // what is saved and reported from now on
  }
  // A distance of 0 would compare each point with itself: no slope, never a trigger.
  trigDiffPoints_ = std::max(trig, 1);
  params_.trigDiffPoints = trigDiffPoints_;
  params_.postTrigPoints = postPoints_;
  slopeBase_ = static_cast<double>(trigDiffPoints_) / curveRate_;
  if (slopeReady_ && processed_ <= trigDiffPoints_)
    slopeReady_ = false;
  return 0;
}

int PullOffProcessor::measStart() {
  // A start that fails must not leave the indices of the previous run for the stop that
  // follows it, or that stop would compute a result on a curve this run never recorded.
  trigIndex_ = pullIndex_ = -1;
  slotBeforeRun_.reset();
  if (params_.daqErrorState != 0)
    return report(MeasErrDaqState);
  Measurement* m = runningMeasurement();
  if (!m)
    return report(MeasErrNoMeasurement);
  if (stopRequested)
    return 1;
  // What the slot held before: a start that fails gives it back unchanged.
  Measurement before = *m;
  const int rc = prepareRun(*m);
  if (rc != 0) {
    *m = std::move(before);
    return rc;
  }
  slotBeforeRun_ = std::move(before);
  measuring = true;
  stopped = false;
  finished = false;
  redraw = false;
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
  resetRun();
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
  const Storage* storage = model_.auftrStorage(running_.sample, running_.storage);
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

  m.rangeVolts = piston->rangeVolts;
  m.range = storage->range;
  m.area = storage->area;
  m.speed = storage->speed;
  m.channel = channel;
  m.deviceName = cutToField(*testerName, Measurement::DeviceNameSize);
  m.calOffset = calOffset_ = line.offset;
  m.calGain = calGain_ = line.gain;
  if (piston->calFlags != PistonRange::FullyCalibrated)
    message(NotCalibratedText, report::Popup);

  acquisition_->announcePullSpeed(channel, m.speed);
  double actual = 0.0;
  if (acquisition_->daqStart(channel, m.rangeVolts, params_.sampleRate, actual) != 0 ||
      !(actual > 0.0) || !std::isfinite(actual))
    return report(MeasErrStart);
  params_.dSampleRateActual = actual;
  // A device slower than 1 Hz still records one point per second of curve time.
  curveRate_ = actual < 1.0 ? 1 : toPoints(1.0, actual);
  calcLimits();

  m.curveRate = curveRate_;
  startTimeSpan_ = std::max(1.0, static_cast<double>(gph_ / curveRate_));
  startForceSpan_ = m.range;
  return 0;
}

int PullOffProcessor::checkTrigger(double forceBefore) {
  switch (state_) {
  case WAIT_TRIGGER:
    if (params_.forcLimitEnable && !(forceBefore > params_.forceLimit))
      return 0;
    if (slope_ > startThreshold_) {
      if (++riseCount_ >= startPoints_) {
        state_ = TRIGGERED;
        fallCount_ = 0;
        return 1;
      }
    } else {
      riseCount_ = 0;
    }
    return 0;
  case TRIGGERED:
    if (slope_ < stopThreshold_) {
      if (++fallCount_ >= stopPoints_) {
        state_ = PULLED_OFF;
        return 2;
      }
    } else {
      fallCount_ = 0;
    }
    return 0;
  default:
    return 0;
  }
}

void PullOffProcessor::appendPoint(double force) {
  if (curveCount_ < gph_) {
    curve_[static_cast<std::size_t>(curveStart_ + curveCount_++)] = force;
    return;
  }
  // Full: the oldest point drops out and the time axis moves on by one point.
  timeOffset_ += 1.0 / curveRate_;
  scrolled_ = true;
  if (curveStart_ == gph_) {
    std::memmove(curve_.data(), curve_.data() + curveStart_ + 1,
                 static_cast<std::size_t>(gph_ - 1) * sizeof(double));
    curveStart_ = 0;
    curve_[static_cast<std::size_t>(gph_ - 1)] = force;
  } else {
    curve_[static_cast<std::size_t>(curveStart_ + gph_)] = force;
    ++curveStart_;
  }
}

void PullOffProcessor::processBlock(const double* samples, int n, Measurement& m) {
  const double rate = params_.dSampleRateActual;
  const int nSpike = nSpike_;
  const int avgN = avgN_;
  const int trig = trigDiffPoints_;
  for (int s = 0; s < n; ++s) {
    const double x = samples[s];
    // No input range of the box reaches 1000 V: anything else is a broken reading, which
    // must not poison the running sum of the average for the rest of the run.
    if (!(std::fabs(x) <= MaxPlausibleVolts)) {
      accepted_ = false;
    } else if (accepted_ = true; nSpike > 1) {
      spikeHead_ = spikeHead_ == 0 ? nSpike - 1 : spikeHead_ - 1;
      spikeHist_[static_cast<std::size_t>(spikeHead_)] = x;
      if (spikeReady_ && avgReady_) {
        int idx = spikeHead_;
        for (int i = 1; i < nSpike; ++i) {
          if (++idx == nSpike)
            idx = 0;
          const double slope = (spikeHist_[static_cast<std::size_t>(idx)] - x) * rate / i;
          if (std::fabs(slope) > SpikeSlopeLimit) {
            accepted_ = false;
            break;
          }
        }
      }
    }
    ++rawCount_;
    if (rawCount_ > nSpike)
      spikeReady_ = true;
    if (rawCount_ > avgN)
      avgReady_ = true;
    if (accepted_) {
      if (avgN <= 1) {
        filtered_ = x;
      } else {
        const double oldest = avgHist_[static_cast<std::size_t>(avgPos_)];
        avgHist_[static_cast<std::size_t>(avgPos_)] = x;
        if (++avgPos_ == avgN)
          avgPos_ = 0;
        runSum_ = runSum_ + x - oldest;
        filtered_ = runSum_ / avgN;
      }
    }
    if (!avgReady_)
      continue; // the first samples only fill the histories

    appendPoint(calOffset_ + filtered_ * calGain_);
    ++processed_;
    if (processed_ > trig)
      slopeReady_ = true;
    if (slopeReady_) {
      const double newest = newestPoint();
      const double before = pointBack(trig);
      m.force = newest;
      slope_ = (newest - before) / slopeBase_;
      m.forceSlope = slope_;
      const int event = checkTrigger(before);
      if (event == 1) {
        trigIndex_ = processed_;
        if (m.status != static_cast<std::int32_t>(MeasurementStatus::Trigger)) {
          m.status = static_cast<std::int32_t>(MeasurementStatus::Trigger);
          requestRefresh(WindowId::Measurement, measbits::Status);
        }
        if (!isDisplayed(m)) {
          if (DataSet* d = model_.dataSet()) {
            d->currentSample = running_.sample;
            d->currentStorage = running_.storage;
            d->currentMeasurement = running_.measurement;
          }
          requestRefresh(WindowId::Measurement, measbits::Selection);
          // The tables carry the same selection rings.
          requestRefresh(WindowId::Storage, refresh::Rings | refresh::Values);
          requestRefresh(WindowId::Order, refresh::Rings);
        }
      } else if (event == 2) {
        pullIndex_ = processed_;
        m.status = static_cast<std::int32_t>(MeasurementStatus::PullOff);
        requestRefresh(WindowId::Measurement, measbits::Status);
      }
    } else {
      // The newest slot of the slope is not filled yet.
      m.force = 0.0;
      slope_ = 0.0;
      m.forceSlope = 0.0;
    }
    if (state_ == PULLED_OFF && processed_ >= pullIndex_ + postPoints_)
      state_ = TRACKED;
    if (state_ == TRACKED || stopRequested) {
      finished = true;
      state_ = FINISHED;
    }
    if (!redraw && isDisplayed(m))
      redraw = true;
    if (finished)
      break; // the rest of the block belongs to no measurement
  }
}

void PullOffProcessor::copyCurveTo(Measurement& m) {
  if (m.points.size() < static_cast<std::size_t>(gph_)) {
    m.points.assign(static_cast<std::size_t>(gph_), 0.0); // the buffer was taken away meanwhile
    synced_ = 0;
  }
  // While the curve fills only the new points need copying; once it scrolls, all moved.
  const int from = scrolled_ ? 0 : std::min(synced_, curveCount_);
  if (curveCount_ > from)
    std::memcpy(m.points.data() + from, curve_.data() + curveStart_ + from,
                static_cast<std::size_t>(curveCount_ - from) * sizeof(double));
  synced_ = curveCount_;
  scrolled_ = false;
  m.pointCount = curveCount_;
}

void PullOffProcessor::measTick() {
  // After the stop the acquisition is gone; a late timer tick must not read from it.
  if (params_.daqErrorState != 0 || !measuring || stopped)
    return;
  Measurement* m = runningMeasurement();
  if (!m)
    return;
  const double* samples = nullptr;
  const int n = acquisition_->daqRead(samples);
  if (n < 0) {
    params_.daqErrorState = 9;
    return;
  }
  if (n == 0 || !samples)
    return;
  processBlock(samples, n, *m);
  copyCurveTo(*m);
  if (redraw) {
    if (view_)
      view_->showMeasCurve(*m, timeOffset_);
    redraw = false;
  }
  if (finished)
    requestRefresh(WindowId::Measurement, measbits::Status);
}

int PullOffProcessor::measStop() {
  Measurement* m = runningMeasurement();
  if (!m)
    return report(MeasErrStopNoMeasurement);
  if (acquisition_->daqStop() != 0)
    params_.daqErrorState = 10; // reported by the acquisition; the stop goes on
  stopped = true;
  if (m->hasPoints() && trigIndex_ >= 0 && pullIndex_ >= 0 && m->pointCount > 0) {
    int post = processed_ - pullIndex_;
    const int span = pullIndex_ - trigIndex_;
    int cursor = m->pointCount - post - span;
    if (cursor < 1)
      cursor = 1;
    if (post < 1)
      post = 1;
    triggerCursor_ = cursor;
    if (view_)
      view_->placeTriggerCursor(cursor);
    const int n = std::min(post, m->pointCount);
    double sum = 0.0;
    for (int i = m->pointCount - n; i < m->pointCount; ++i)
      sum += m->points[static_cast<std::size_t>(i)];
    m->force = sum / n;
    m->status = static_cast<std::int32_t>(MeasurementStatus::MeasuringValid);
    m->inStatistics = 1;
    requestRefresh(WindowId::Storage, refresh::Values);
    requestRefresh(WindowId::Order, refresh::Values);
  }
  measuring = false;
  model_.auftrMarkChanged(*m);
  if (finishedSink_)
    finishedSink_->measurementFinished(*m);
  return 0;
}

} // namespace zv
