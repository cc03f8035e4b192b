// Reads arbitrary bytes as a stored curve (as a graph file may hold it: not a number,
// infinities, huge values) with a rate and an area from the first bytes. Time to failure and
// loading rate must stay inside the curve and, where given, be finite.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/zv_pull_timing.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4)
    return 0;
  const std::int32_t rate = static_cast<std::int8_t>(data[0]) * 8;
  const double area = static_cast<std::int8_t>(data[1]) * 10.0;
  std::vector<double> curve((size - 2) / sizeof(double));
  if (!curve.empty())
    std::memcpy(curve.data(), data + 2, curve.size() * sizeof(double));
  const zv::PullTiming t = zv::pullTiming(curve, rate, area);
  if ((t.timeToFailure && !std::isfinite(*t.timeToFailure)) ||
      (t.loadingRate && !std::isfinite(*t.loadingRate)))
    std::abort();
  return 0;
}
