#include "core/zv_pull_timing.hpp"

#include <algorithm>
#include <cmath>

namespace zv {

namespace {

constexpr double WindowLow = 0.2;
constexpr double WindowHigh = 0.8;
constexpr double RestShare = 0.05;  // points below this share of the peak are at rest
constexpr double PeakShare = 0.995; // the tear-off: the first point this close to the peak

struct Line {
  double meanTime = 0.0, meanForce = 0.0, slope = 0.0; // s, kN, kN/s
};

// Least squares over the points of [first, last] inside [low, high]; nullopt below two.
std::optional<Line> fitWindow(std::span<const double> f, std::size_t first, std::size_t last,
                              double low, double high, double rate) {
  double n = 0.0, sumT = 0.0, sumF = 0.0;
  for (std::size_t i = first; i <= last; ++i)
    if (f[i] >= low && f[i] <= high) {
      n += 1.0;
      sumT += static_cast<double>(i) / rate;
      sumF += f[i];
    }
  if (n < 2.0)
    return std::nullopt;
  Line line{sumT / n, sumF / n, 0.0};
  double sxy = 0.0, sxx = 0.0;
  for (std::size_t i = first; i <= last; ++i)
    if (f[i] >= low && f[i] <= high) {
      const double dt = static_cast<double>(i) / rate - line.meanTime;
      sxy += dt * (f[i] - line.meanForce);
      sxx += dt * dt;
    }
  if (!(sxx > 0.0))
    return std::nullopt;
  line.slope = sxy / sxx;
  return line;
}

// The force at rest: the mean of the curve's first quarter second, as far as the curve starts
// below 5 % of the peak (and of the first half of that stretch, which may hold the rise's
// foot); 0 kN when the curve starts inside the rise.
double restingForce(std::span<const double> f, double peak, double rate) {
  std::size_t low = 0;
  while (low < f.size() && f[low] < RestShare * peak)
    ++low;
  const std::size_t n =
      std::min(std::max<std::size_t>(low / 2, 1), static_cast<std::size_t>(rate / 4) + 1);
  if (low == 0)
    return 0.0;
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i)
    sum += f[i];
  return sum / static_cast<double>(n);
}

} // namespace

PullTiming pullTiming(std::span<const double> f, std::int32_t rate, double area) {
  if (f.size() < 2 || rate < 1)
    return {};
  const auto top = std::max_element(f.begin(), f.end());
  const double peak = *top;
  if (!(peak > 0.0) || !std::isfinite(peak))
    return {};
  const auto peakAt = static_cast<std::size_t>(top - f.begin());
  // The final rise: the run of points at or above 20 % that ends at the peak.
  std::size_t start = peakAt;
  while (start > 0 && f[start - 1] >= WindowLow * peak)
    --start;
  const double hz = static_cast<double>(rate);
  const auto line = fitWindow(f, start, peakAt, WindowLow * peak, WindowHigh * peak, hz);
  if (!line || !(line->slope > 0.0) || !std::isfinite(line->slope))
    return {};
  std::size_t near = start;
  while (f[near] < PeakShare * peak)
    ++near;
  // Where the line reaches the peak, kept between the first point near the peak and the peak
  // itself: exact for a straight rise, and noise on the held force does not move it.
  const double atLine = line->meanTime + (peak - line->meanForce) / line->slope;
  const double tearOff =
      std::max(static_cast<double>(near) / hz, std::min(atLine, static_cast<double>(peakAt) / hz));
  const double onset = line->meanTime + (restingForce(f, peak, hz) - line->meanForce) / line->slope;
  PullTiming t;
  // Values beyond what a double holds (a damaged curve) tell nothing.
  if (const double time = tearOff - onset; std::isfinite(time))
    t.timeToFailure = time;
  const double stressRate = line->slope * 1000.0 / area; // kN/s -> N/s, per mm²: MPa/s
  if (area > 0.0 && std::isfinite(stressRate))
    t.loadingRate = stressRate;
  return t;
}

unsigned pullFlags(const PullTiming& t, const TestLimits& limits) {
  unsigned flags = 0;
  if (t.loadingRate && *t.loadingRate > limits.maxLoadingRate)
    flags |= pull_flag::TooFast;
  if (t.timeToFailure && *t.timeToFailure > limits.maxTimeToFailure)
    flags |= pull_flag::TooLong;
  return flags;
}

} // namespace zv
