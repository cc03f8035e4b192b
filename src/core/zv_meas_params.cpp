#include "core/zv_meas_params.hpp"

#include <cmath>
#include <type_traits>
#include <utility>

namespace zv {

namespace {

template <class T> void clampInto(T& value, Limit<T>& limit, T builtIn) {
  if (limit.lo > limit.hi)
    std::swap(limit.lo, limit.hi);
  if constexpr (std::is_floating_point_v<T>) {
    // A file may say "nan", which reads as NaN; it would pass every comparison below unchanged.
    if (std::isnan(value))
      value = builtIn;
  }
  if (value < limit.lo)
    value = limit.lo;
  if (value > limit.hi)
    value = limit.hi;
}

} // namespace

void setMeasParamsDefaults(MeasParams& mp) {
  mp = MeasParams{};
}

int checkMeasParams(MeasParams* mp) {
  if (!mp)
    return -1;
  const MeasParams d{};
  MeasParams& m = *mp;
  clampInto(m.hardChn, m.hardChnLimit, d.hardChn);
  clampInto(m.gphPoints, m.gphPointsLimit, d.gphPoints);
  clampInto(m.average, m.averageLimit, d.average);
  m.blockCountLimit.hi = m.gphPoints;
  clampInto(m.blockCount, m.blockCountLimit, d.blockCount);
  clampInto(m.sampleRate, m.sampleRateLimit, d.sampleRate);
  clampInto(m.dTrigDiffTime, m.dTrigDiffTimeLimit, d.dTrigDiffTime);
  clampInto(m.dPostTrigTime, m.dPostTrigTimeLimit, d.dPostTrigTime);
  clampInto(m.dPollTime, m.dPollTimeLimit, d.dPollTime);
  clampInto(m.dStartPulseDelay, m.dStartPulseDelayLimit, d.dStartPulseDelay);
  clampInto(m.dStopPulseDelay, m.dStopPulseDelayLimit, d.dStopPulseDelay);
  clampInto(m.startProzent, m.startProzentLimit, d.startProzent);
  clampInto(m.stopProzent, m.stopProzentLimit, d.stopProzent);
  clampInto(m.startTime, m.startTimeLimit, d.startTime);
  clampInto(m.stopTime, m.stopTimeLimit, d.stopTime);
  clampInto(m.calcMode, m.calcModeLimit, d.calcMode);
  clampInto(m.nSpikeNum, m.nSpikeNumLimit, d.nSpikeNum);
  clampInto(m.dSpikeLim, m.dSpikeLimLimit, d.dSpikeLim);
  return 0;
}

} // namespace zv
