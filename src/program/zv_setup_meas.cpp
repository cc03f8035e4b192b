#include "program/zv_setup_meas.hpp"

#include <algorithm>
#include <cmath>

#include "platform/zv_latin1.hpp"

namespace zv {

namespace {
template <class T> T within(T v, const Limit<T>& l) {
  if constexpr (std::is_floating_point_v<T>)
    if (std::isnan(v))
      return l.lo;
  return std::clamp(v, l.lo, l.hi);
}
} // namespace

MeasSetupValues measSetupValues(const MeasParams& mp) {
  MeasSetupValues v;
  v.channel = mp.hardChn;
  v.sampleRate = mp.sampleRate;
  v.average = mp.average;
  v.gphPoints = mp.gphPoints;
  v.nSpikeNum = mp.nSpikeNum;
  v.dTrigDiffTime = mp.dTrigDiffTime;
  v.dSpikeLim = mp.dSpikeLim;
  v.dPostTrigTime = mp.dPostTrigTime;
  v.startProzent = mp.startProzent;
  v.startTime = mp.startTime;
  v.stopProzent = mp.stopProzent;
  v.stopTime = mp.stopTime;
  v.forcLimitEnable = mp.forcLimitEnable != 0;
  v.forcLimitRelVal = mp.forcLimitRelVal;
  return v;
}

MeasSetupEditable measSetupEditable(bool programMode, bool measuring) {
  MeasSetupEditable e;
  e.channel = !measuring;
  e.acquisition = programMode && !measuring;
  e.spikeLimit = programMode;
  e.tracking = programMode;
  e.detection = true;
  return e;
}

void applyMeasSetup(Program& p, const MeasSetupValues& v) {
  MeasParams& mp = p.meas.params;
  const MeasSetupEditable e = measSetupEditable(p.programMode == 1, p.isMeasuring());
  if (e.channel)
    p.meas.daq.daqSetChannel(within(v.channel, mp.hardChnLimit));
  if (e.acquisition) {
    mp.sampleRate = within(v.sampleRate, mp.sampleRateLimit);
    mp.average = within(v.average, mp.averageLimit);
    mp.gphPoints = within(v.gphPoints, mp.gphPointsLimit);
    mp.nSpikeNum = within(v.nSpikeNum, mp.nSpikeNumLimit);
    mp.dTrigDiffTime = within(v.dTrigDiffTime, mp.dTrigDiffTimeLimit);
    // The block count follows the curve length as its upper limit.
    mp.blockCountLimit.hi = mp.gphPoints;
    mp.blockCount = within(mp.blockCount, mp.blockCountLimit);
  }
  if (e.spikeLimit)
    mp.dSpikeLim = within(v.dSpikeLim, mp.dSpikeLimLimit);
  if (e.tracking)
    mp.dPostTrigTime = within(v.dPostTrigTime, mp.dPostTrigTimeLimit);
  mp.startProzent = within(v.startProzent, mp.startProzentLimit);
  mp.startTime = within(v.startTime, mp.startTimeLimit);
  mp.stopProzent = within(v.stopProzent, mp.stopProzentLimit);
  mp.stopTime = within(v.stopTime, mp.stopTimeLimit);
  mp.forcLimitEnable = v.forcLimitEnable ? 1 : 0;
  if (std::isfinite(v.forcLimitRelVal))
    mp.forcLimitRelVal = v.forcLimitRelVal;
  // The running measurement works with the new thresholds from its next sample on; without
  // one there is nothing to derive them for yet (the next start does).
  if (p.meas.processor.hasRunning())
    p.meas.processor.calcLimits();
}

UnitsSetupValues unitsSetupValues(const MeasParams& mp) {
  return {mp.offset_press, mp.gain_press, mp.unit_press};
}

void applyUnitsSetup(Program& p, const UnitsSetupValues& v) {
  MeasParams& mp = p.meas.params;
  if (std::isfinite(v.offset))
    mp.offset_press = v.offset;
  if (std::isfinite(v.gain))
    mp.gain_press = v.gain;
  mp.unit_press = cutToField(v.unit, measfield::UnitPress);
  p.requestRefresh(WindowId::Storage, refresh::Values);
  p.requestRefresh(WindowId::Order, refresh::Values);
}

} // namespace zv
