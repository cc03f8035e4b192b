#include "daq/zv_pulloff_detector.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace zv {

bool PullOffDetector::start(int curvePoints, int spikePoints, int averagePoints) {
  state_ = WAIT_TRIGGER;
  riseCount_ = fallCount_ = 0;
  accepted_ = true;
  rawCount_ = 0;
  avgReady_ = false;
  runSum_ = 0.0;
  filtered_ = 0.0;
  averagePoints_ = std::clamp(averagePoints, 1, HistorySize);
  avgHist_.fill(0.0);
  avgPos_ = 0;
  spikeReady_ = false;
  spikePoints_ = std::clamp(spikePoints, 1, HistorySize);
  spikeHist_.fill(0.0);
  spikeHead_ = 0;
  slopeReady_ = false;
  slope_ = force_ = 0.0;
  timeOffset_ = 0.0;
  trigIndex_ = pullIndex_ = -1;
  processed_ = 0;
  curveStart_ = curveCount_ = 0;
  scrolled_ = false;
  capacity_ = std::max(curvePoints, 2);
  try {
    curve_.assign(2 * static_cast<std::size_t>(capacity_), 0.0);
  } catch (const std::bad_alloc&) {
    curve_.clear();
    capacity_ = 0;
    return false;
  }
  return true;
}

void PullOffDetector::setLimits(const DetectorLimits& limits) {
  limits_ = limits;
  limits_.slopePoints = std::max(limits.slopePoints, 1);
  limits_.curveRate = std::max(limits.curveRate, 1);
  slopeBase_ = static_cast<double>(limits_.slopePoints) / limits_.curveRate;
  if (slopeReady_ && processed_ <= limits_.slopePoints)
    slopeReady_ = false;
}

int PullOffDetector::checkTrigger(double forceBefore) {
  switch (state_) {
  case WAIT_TRIGGER:
    if (limits_.forceLimitEnabled && !(forceBefore > limits_.forceLimit))
      return 0;
    if (slope_ > limits_.startThreshold) {
      if (++riseCount_ >= limits_.startPoints) {
        state_ = TRIGGERED;
        fallCount_ = 0;
        return 1;
      }
    } else {
      riseCount_ = 0;
    }
    return 0;
  case TRIGGERED:
    if (slope_ < limits_.stopThreshold) {
      if (++fallCount_ >= limits_.stopPoints) {
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

void PullOffDetector::appendPoint(double force) {
  if (curveCount_ < capacity_) {
    curve_[static_cast<std::size_t>(curveStart_ + curveCount_++)] = force;
    return;
  }
  // Full: the oldest point drops out and the time axis moves on by one point.
  timeOffset_ += 1.0 / limits_.curveRate;
  scrolled_ = true;
  if (curveStart_ == capacity_) {
    std::memmove(curve_.data(), curve_.data() + curveStart_ + 1,
                 static_cast<std::size_t>(capacity_ - 1) * sizeof(double));
    curveStart_ = 0;
    curve_[static_cast<std::size_t>(capacity_ - 1)] = force;
  } else {
    curve_[static_cast<std::size_t>(curveStart_ + capacity_)] = force;
    ++curveStart_;
  }
}

// The spike filter and the moving average; true once the histories are full and x made a
// filtered value worth a point.
bool PullOffDetector::filter(double x) {
  const int nSpike = spikePoints_;
  const int avgN = averagePoints_;
  // No input range of the box reaches 1000 V: anything else is a broken reading, which must
  // not poison the running sum of the average for the rest of the run.
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
        const double slope =
            (spikeHist_[static_cast<std::size_t>(idx)] - x) * limits_.sampleRate / i;
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
  return avgReady_; // the first samples only fill the histories
}

DetectorStep PullOffDetector::feed(const double* samples, int count, bool stopRequested) {
  DetectorStep step;
  if (state_ == FINISHED || curve_.empty())
    return step;
  const int trig = limits_.slopePoints;
  for (int s = 0; s < count; ++s) {
    if (!filter(samples[s]))
      continue;
    appendPoint(calOffset_ + filtered_ * calGain_);
    ++processed_;
    if (processed_ > trig)
      slopeReady_ = true;
    if (slopeReady_) {
      const double newest = curve_[static_cast<std::size_t>(curveStart_ + curveCount_ - 1)];
      const double before = pointBack(trig);
      force_ = newest;
      slope_ = (newest - before) / slopeBase_;
      const int event = checkTrigger(before);
      if (event == 1) {
        trigIndex_ = processed_;
        step.triggered = true;
      } else if (event == 2) {
        pullIndex_ = processed_;
        step.tornOff = true;
      }
    } else {
      // The newest slot of the slope is not filled yet.
      force_ = slope_ = 0.0;
    }
    if (state_ == PULLED_OFF && processed_ >= pullIndex_ + limits_.postPoints)
      state_ = TRACKED;
    if (state_ == TRACKED || stopRequested) {
      state_ = FINISHED;
      step.finished = true;
      break; // the rest of the block belongs to no run
    }
  }
  return step;
}

} // namespace zv
