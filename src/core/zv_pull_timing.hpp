#pragma once
// Time to failure and loading rate of one pull, read from its recorded force curve, and the
// limits a test report checks them against. Both are derived values: computed from the curve
// whenever they are shown, never stored.
#include <cstdint>
#include <optional>
#include <span>

namespace zv {

// What a curve tells about the pull that made it. Empty where the curve cannot tell.
struct PullTiming {
  std::optional<double> timeToFailure; // s, from the start of loading to the tear-off
  std::optional<double> loadingRate;   // MPa/s: the force rise over the dolly's area
};

// The break force is the curve's peak. The loading rate is the least-squares slope of force
// over time of the final rise's points between 20 % and 80 % of it, divided by the area. The
// loading starts where that line meets the resting force at the start of the curve (0 kN when
// the curve begins inside the rise, so a pull longer than the curve still gets its time); the
// tear-off is where the line reaches the peak, kept between the first point within 0.5 % of
// the peak and the peak's first point. points in kN, rate in points per second, area in mm². Both
// stay empty for fewer than two points in the window, a peak that is not above 0 or a rate below 1;
// the loading rate also for an area that is not above 0.
PullTiming pullTiming(std::span<const double> points, std::int32_t rate, double area);

// The limits the standards set for a pull-off test: the stress may rise by at most
// maxLoadingRate and the specimen must fail within maxTimeToFailure.
struct TestLimits {
  double maxLoadingRate = 1.0;    // MPa/s
  double maxTimeToFailure = 90.0; // s
  friend bool operator==(const TestLimits&, const TestLimits&) = default;
};

// Bits of what a pull exceeded.
namespace pull_flag {
constexpr unsigned TooFast = 1; // loading rate above maxLoadingRate
constexpr unsigned TooLong = 2; // time to failure above maxTimeToFailure
} // namespace pull_flag

// The limits a pull exceeded; a value that is not known exceeds nothing.
unsigned pullFlags(const PullTiming& timing, const TestLimits& limits);

} // namespace zv
