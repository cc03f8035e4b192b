#pragma once
// Timing and the small statistics every benchmark reports.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

namespace zv::bench {

using Timer = std::chrono::steady_clock;

inline double secondsSince(Timer::time_point start) {
  return std::chrono::duration<double>(Timer::now() - start).count();
}

// The value below which a share p (0..1) of the values lie; p = 1 is the largest.
inline double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

} // namespace zv::bench
