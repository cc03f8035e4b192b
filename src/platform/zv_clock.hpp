#pragma once
// Time as the program sees it. Tests use a clock that never sleeps.
#include <chrono>
#include <ctime>

namespace zv {

// The calendar fields of a time in the machine's time zone, on every platform.
std::tm localTime(std::time_t when);

class Clock {
public:
  virtual ~Clock() = default;
  // Wall-clock time, for report lines and calibration dates.
  virtual std::time_t now() const = 0;
  // Monotonic seconds since some fixed point.
  virtual double monotonicSeconds() const = 0;
  // Blocks for the given time (the start screen). A test clock only advances.
  virtual void wait(double seconds) = 0;
};

class SystemClock final : public Clock {
public:
  std::time_t now() const override;
  double monotonicSeconds() const override;
  void wait(double seconds) override;
};

// A clock that stands at zero and never waits: for benchmarks and fuzzing, where time must
// not matter.
class StillClock final : public Clock {
public:
  std::time_t now() const override { return 0; }
  double monotonicSeconds() const override { return 0; }
  void wait(double) override {}
};

} // namespace zv
