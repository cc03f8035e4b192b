// The processor keeps its histories and its curve in rings and a sliding window for speed.
// Here it must agree bit for bit with a plain transcription of the processing rules that
// shifts arrays and moves the whole curve for every sample, over long noisy runs with spikes,
// trigger, tear-off, scrolling and reads of every size.
#include "daq/zv_processor_fixture.hpp"

#include <cstring>
#include <random>

using namespace zv;
using namespace zv::test;

namespace {

struct PlainRun {
  // Settings, as the processor derives them.
  int nSpike, avgN, trig, startPts, stopPts, postPts, gph, curveRate;
  double rate, startThr, stopThr, calOffset, calGain, forceLimit;
  bool limitOn;

  double spike[100] = {};
  double avg[100] = {};
  bool spikeReady = false, avgReady = false;
  double sum = 0.0, filtered = 0.0;
  long long raw = 0;
  int processed = 0;
  std::vector<double> pts;
  int count = 0, oldPos = 0, newPos = 0, lastPos = 0;
  bool slopeReady = false;
  double timeOffset = 0.0;
  int state = 0, rise = 0, fall = 0, trigIndex = -1, pullIndex = -1;
  double force = 0.0, slope = 0.0;
  bool finished = false;

  void begin() {
    pts.assign(static_cast<std::size_t>(gph), 0.0);
    newPos = trig;
    lastPos = gph - 1;
  }

  int check(double before) {
    if (state == 0) {
      if (limitOn && !(before > forceLimit))
        return 0;
      if (slope > startThr) {
        if (++rise >= startPts) {
          state = 1;
          fall = 0;
          return 1;
        }
      } else {
        rise = 0;
      }
    } else if (state == 1) {
      if (slope < stopThr) {
        if (++fall >= stopPts) {
          state = 2;
          return 2;
        }
      } else {
        fall = 0;
      }
    }
    return 0;
  }

  // One sample; false once the run finished.
  bool sample(double x) {
    bool accepted = true;
    if (nSpike > 1) {
      std::memmove(spike + 1, spike, sizeof(double) * static_cast<std::size_t>(nSpike - 1));
      spike[0] = x;
      if (spikeReady && avgReady)
        for (int i = 1; i < nSpike; ++i)
          if (std::fabs((spike[i] - x) * rate / i) > 5.0) {
            accepted = false;
            break;
          }
    }
    ++raw;
    if (raw > nSpike)
      spikeReady = true;
    if (raw > avgN)
      avgReady = true;
    if (accepted) {
      if (avgN <= 1) {
        filtered = x;
      } else {
        const double oldest = avg[avgN - 1];
        std::memmove(avg + 1, avg, sizeof(double) * static_cast<std::size_t>(avgN - 1));
        avg[0] = x;
        sum = sum + x - oldest;
        filtered = sum / avgN;
      }
    }
    if (!avgReady)
      return true;
    if (count < gph) {
      ++count;
    } else {
      std::memmove(pts.data(), pts.data() + 1, sizeof(double) * static_cast<std::size_t>(gph - 1));
      timeOffset += 1.0 / curveRate;
    }
    if (slopeReady && newPos < lastPos) {
      ++oldPos;
      ++newPos;
    }
    pts[static_cast<std::size_t>(count - 1)] = calOffset + filtered * calGain;
    const double base = static_cast<double>(trig) / curveRate;
    ++processed;
    if (processed > trig)
      slopeReady = true;
    force = pts[static_cast<std::size_t>(newPos)];
    if (slopeReady) {
      slope =
          (pts[static_cast<std::size_t>(newPos)] - pts[static_cast<std::size_t>(oldPos)]) / base;
      const int r = check(pts[static_cast<std::size_t>(oldPos)]);
      if (r == 1)
        trigIndex = processed;
      if (r == 2)
        pullIndex = processed;
    } else {
      slope = 0.0;
    }
    if (state == 2 && processed >= pullIndex + postPts)
      state = 3;
    if (state == 3) {
      finished = true;
      state = 4;
    }
    return !finished;
  }
};

struct ReferenceRun : ProcessorFixture {
  void compare(unsigned seed, int average, int nSpike, double rate, bool limitOn) {
    SCOPED_TRACE(::testing::Message() << "seed " << seed << " average " << average << " spike "
                                      << nSpike << " rate " << rate);
    std::mt19937 gen(seed);
    std::normal_distribution<double> noise(0.0, 0.002);
    std::uniform_int_distribution<int> blockSize(0, 700);
    params.average = average;
    params.nSpikeNum = nSpike;
    params.forcLimitEnable = limitOn ? 1 : 0;
    params.forcLimitRelVal = 5.0;
    params.dTrigDiffTime = 0.5;
    params.startTime = 0.3;
    params.stopTime = 0.4;
    params.dPostTrigTime = 0.6;
    acq.actualRate = rate;
    calibrate(*testers.pistons[0].piston(0), 1.25, -0.01);
    setSpeed(100.0);
    ASSERT_EQ(0, proc.measStart());

    PlainRun ref{};
    ref.nSpike = nSpike;
    ref.avgN = average;
    ref.trig = proc.trigDiffPoints();
    ref.startPts = proc.startPoints();
    ref.stopPts = proc.stopPoints();
    ref.postPts = proc.postPoints();
    ref.gph = params.gphPoints;
    ref.curveRate = meas().curveRate;
    ref.rate = params.dSampleRateActual;
    ref.startThr = proc.startThreshold();
    ref.stopThr = proc.stopThreshold();
    ref.calOffset = meas().calOffset;
    ref.calGain = meas().calGain;
    ref.forceLimit = params.forceLimit;
    ref.limitOn = limitOn;
    ref.begin();

    // Idle, a pull at 0.1 kN/s with noise and the odd spike, then the held force.
    std::vector<double> signal;
    const int idle = static_cast<int>(rate * 3);
    const int pull = static_cast<int>(rate * 25);
    for (int i = 0; i < idle; ++i)
      signal.push_back(0.02 + noise(gen));
    for (int i = 0; i < pull; ++i)
      signal.push_back(0.02 + 0.1 * i / rate + noise(gen));
    const double held = signal.back();
    for (int i = 0; i < static_cast<int>(rate * 6); ++i)
      signal.push_back(held + noise(gen));
    for (std::size_t i = 37; i < signal.size(); i += 211)
      signal[i] += 0.7; // one-sample spikes

    std::size_t pos = 0;
    bool refRunning = true;
    while (pos < signal.size() && !finished) {
      const std::size_t n = std::min<std::size_t>(blockSize(gen), signal.size() - pos);
      std::vector<double> block(signal.begin() + pos, signal.begin() + pos + n);
      for (std::size_t i = 0; i < n && refRunning; ++i)
        refRunning = ref.sample(block[i]);
      pos += n;
      tick(block);
      const Measurement& m = meas();
      ASSERT_EQ(m.pointCount, ref.count) << pos;
      ASSERT_EQ(0, std::memcmp(m.points.data(), ref.pts.data(), sizeof(double) * ref.count)) << pos;
      ASSERT_EQ(m.force, ref.force) << pos;
      ASSERT_EQ(m.forceSlope, ref.slope) << pos;
      ASSERT_EQ(proc.timeOffset(), ref.timeOffset) << pos;
      ASSERT_EQ(proc.trigIndex(), ref.trigIndex) << pos;
      ASSERT_EQ(proc.pullIndex(), ref.pullIndex) << pos;
      ASSERT_EQ(static_cast<int>(proc.state()), ref.state) << pos;
    }
    EXPECT_TRUE(finished);
    EXPECT_GT(proc.timeOffset(), 0.0); // the curve scrolled
  }
};

} // namespace

TEST_F(ReferenceRun, AgreesWithThePlainRules) {
  compare(1, 10, 3, 100.0, false);
}

TEST_F(ReferenceRun, AgreesWithoutAveragingAndWithDeepSpikeFilter) {
  compare(2, 1, 12, 50.0, false);
}

TEST_F(ReferenceRun, AgreesWithForceLimitAndWideAverage) {
  compare(3, 100, 100, 200.0, true);
}

TEST_F(ReferenceRun, AgreesAtAnUnevenRate) {
  compare(4, 7, 1, 137.5, false);
}
