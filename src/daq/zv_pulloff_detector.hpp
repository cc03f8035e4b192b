#pragma once
// The pull-off detector: raw voltage samples in, force curve and events out. It owns nothing
// but the signal state of one run: the spike filter and moving average histories, the slope,
// the trigger and tear-off state machine and the curve buffer. It knows no data set, window,
// clock or acquisition, so it is tested with arrays of samples alone.
//
// Per sample: a reading that jumps faster than the spike limit against the recent history is
// dropped (the previous filtered value stays), the rest go through a moving average, and the
// filtered voltage becomes force by the piston's calibration line. The slope is the force
// difference over a fixed number of points. A run triggers once the slope stayed above the
// start threshold for startPoints points (and, with the force limit on, the force exceeded
// it), tears off once the slope stayed below the stop threshold for stopPoints points, and is
// finished postPoints points after the tear-off, when its tracked force is known.
#include <array>
#include <vector>

namespace zv {

enum DetectorState : int {
  WAIT_TRIGGER = 0,
  TRIGGERED = 1,
  PULLED_OFF = 2,
  TRACKED = 3,
  FINISHED = 4,
};

// What a run is recognised by; the measurement control derives it from the measurement
// parameters, the piston, the pull speed and the rate the device runs at.
struct DetectorLimits {
  double sampleRate = 1.0;     // samples per second the device delivers
  int curveRate = 1;           // points per second of curve time (>= 1)
  double startThreshold = 0.0; // kN/s the slope must exceed for a trigger
  double stopThreshold = 0.0;  // kN/s the slope must fall below for a tear-off
  int startPoints = 0;         // points above the start threshold for a trigger
  int stopPoints = 0;          // points below the stop threshold for a tear-off
  int slopePoints = 1;         // distance in points over which the slope is taken (>= 1)
  int postPoints = 0;          // points tracked after the tear-off
  bool forceLimitEnabled = false;
  double forceLimit = 0.0; // kN a trigger needs besides the slope, when enabled
};

// What one block of samples brought.
struct DetectorStep {
  bool triggered = false; // the trigger was recognised in this block
  bool tornOff = false;   // the tear-off was recognised in this block
  bool finished = false;  // the run is over; samples after it in the block were not used
};

class PullOffDetector {
public:
  static constexpr int HistorySize = 100; // depth of the spike and average histories
  // The spike filter's slope limit in V/s.
  static constexpr double SpikeSlopeLimit = 5.0;
  // A sample beyond this (or not a number) is a broken reading and treated like a spike.
  static constexpr double MaxPlausibleVolts = 1000.0;

  // A new run: empty histories and curve. The curve keeps the newest curvePoints points (at
  // least 2); spikePoints and averagePoints (1 to HistorySize, 1 = off) size the filters.
  // false when the curve cannot be allocated.
  bool start(int curvePoints, int spikePoints, int averagePoints);
  // The piston's calibration line: force = offset + volts * gain.
  void setCalibration(double offset, double gain) {
    calOffset_ = offset;
    calGain_ = gain;
  }
  // The recognition limits; may change during a run (a slope distance that grows past the
  // points seen so far makes the slope wait for enough points again).
  void setLimits(const DetectorLimits& limits);
  const DetectorLimits& limits() const { return limits_; }

  // Runs the samples through the pipeline. With stopRequested the run finishes at the next
  // sample that makes a point.
  DetectorStep feed(const double* samples, int count, bool stopRequested = false);

  DetectorState state() const { return state_; }
  // Force and slope of the newest point; 0 while the slope still waits for enough points.
  double force() const { return force_; }
  double slope() const { return slope_; }
  // Points made so far (1-based index of the newest point of the run), and where trigger
  // and tear-off happened in that count; -1 before.
  int processed() const { return processed_; }
  int triggerIndex() const { return trigIndex_; }
  int tearOffIndex() const { return pullIndex_; }
  long long rawCount() const { return rawCount_; }
  double slopeBaseTime() const { return slopeBase_; }

  // The curve: the newest pointCount() points, oldest first, starting timeOffset() seconds
  // after the run began (it moves on once the curve scrolls).
  const double* curve() const { return curve_.data() + curveStart_; }
  int pointCount() const { return curveCount_; }
  int curveCapacity() const { return capacity_; }
  double timeOffset() const { return timeOffset_; }
  // True once since the curve last scrolled (every point moved).
  bool takeScrolled() {
    const bool was = scrolled_;
    scrolled_ = false;
    return was;
  }

private:
  bool filter(double x);
  void appendPoint(double force);
  int checkTrigger(double forceBefore);
  double pointBack(int back) const { return curve_[curveStart_ + curveCount_ - 1 - back]; }

  DetectorLimits limits_;
  int spikePoints_ = 1;
  int averagePoints_ = 1;
  double calOffset_ = 0.0;
  double calGain_ = 1.0;

  // Spike filter: ring of the last spikePoints raw samples, spikeHead_ the newest.
  std::array<double, HistorySize> spikeHist_{};
  int spikeHead_ = 0;
  bool spikeReady_ = false;
  // Moving average: ring of the last averagePoints accepted samples, avgPos_ the oldest.
  std::array<double, HistorySize> avgHist_{};
  int avgPos_ = 0;
  double runSum_ = 0.0;
  bool avgReady_ = false;
  double filtered_ = 0.0;
  bool accepted_ = true;

  long long rawCount_ = 0;
  int processed_ = 0;
  double slopeBase_ = 1.0;
  bool slopeReady_ = false;
  double slope_ = 0.0;
  double force_ = 0.0;

  DetectorState state_ = WAIT_TRIGGER;
  int riseCount_ = 0;
  int fallCount_ = 0;
  int trigIndex_ = -1;
  int pullIndex_ = -1;

  // Twice the capacity long: while the curve scrolls, the window of the newest points slides
  // forward and is moved back to the start only when it hits the end, so scrolling costs one
  // block move per capacity points instead of one per sample.
  std::vector<double> curve_;
  int capacity_ = 2;
  int curveStart_ = 0;
  int curveCount_ = 0;
  double timeOffset_ = 0.0;
  bool scrolled_ = false;
};

} // namespace zv
