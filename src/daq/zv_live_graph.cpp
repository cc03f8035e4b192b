#include "daq/zv_live_graph.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zv {

double graphTimeSpan(int pointCount, int curveRate) {
  const int rate = curveRate < 1 ? 1 : curveRate;
  const double span = static_cast<double>(pointCount / rate);
  return span < 1.0 ? 1.0 : span;
}

double graphForceSpan(double range) {
  // Also catches a NaN range, which would leave the axis undefined.
  return range >= 0.1 ? range : 0.1;
}

double niceTickStep(double span, int maxTicks) {
  if (!(span > 0.0) || !std::isfinite(span) || maxTicks < 1)
    return 1.0;
  const double rough = span / maxTicks;
  double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (;;) {
    for (double m : {1.0, 2.0, 5.0})
      if (m * power >= rough * (1.0 - 1e-12))
        return m * power;
    power *= 10.0;
  }
}

double growingTimeSpan(double shown, double curveLength, double limit) {
  if (!(curveLength > shown))
    return shown;
  const double rounded = niceTickStep(curveLength * 1.25, 1); // round, at or above
  return std::min(rounded, std::max(limit, curveLength));
}

int tearOffIndex(const double* points, int count) {
  if (!points || count < 1)
    return -1;
  return static_cast<int>(std::max_element(points, points + count) - points);
}

CursorReading cursorAtIndex(const double* points, int count, double x0, double dx, int index) {
  CursorReading r;
  if (!points || count < 1)
    return r;
  r.index = std::clamp(index, 0, count - 1);
  r.time = x0 + r.index * dx;
  r.force = points[r.index];
  return r;
}

CursorReading readCursor(const double* points, int count, double x0, double dx, double t) {
  if (!points || count < 1)
    return {};
  double pos = dx > 0.0 ? (t - x0) / dx : 0.0;
  if (!std::isfinite(pos))
    pos = 0.0;
  pos = std::clamp(std::round(pos), 0.0, static_cast<double>(count - 1));
  return cursorAtIndex(points, count, x0, dx, static_cast<int>(pos));
}

void CurveEnvelope::build(const double* points, int count, double x0, double dx, int columns) {
  out_.clear();
  reduced_ = false;
  if (!points || count < 1)
    return;
  if (columns < 1)
    columns = 1;
  if (count <= 2 * columns) {
    out_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
      out_.push_back({x0 + i * dx, points[i]});
    return;
  }
  reduced_ = true;
  out_.reserve(2 * static_cast<std::size_t>(columns) + 2);
  for (int c = 0; c < columns; ++c) {
    const int lo = static_cast<int>(static_cast<std::int64_t>(c) * count / columns);
    const int hi = static_cast<int>(static_cast<std::int64_t>(c + 1) * count / columns);
    int iMin = lo;
    int iMax = lo;
    for (int i = lo + 1; i < hi; ++i) {
      // NaN compares false both ways, so a NaN point never becomes an extreme.
      if (points[i] < points[iMin])
        iMin = i;
      if (points[i] > points[iMax])
        iMax = i;
    }
    // Keep the order in which the curve passes the two extremes, so consecutive columns join
    // the way the full curve does.
    const int first = std::min(iMin, iMax);
    const int second = std::max(iMin, iMax);
    out_.push_back({x0 + first * dx, points[first]});
    if (second != first)
      out_.push_back({x0 + second * dx, points[second]});
  }
}

} // namespace zv
