#include "sim_tester.hpp"

#include <algorithm>
#include <cmath>

namespace zvsim {

std::uint64_t mix(std::uint64_t x) {
  // splitmix64 finaliser
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

double uniform(std::uint64_t seed, std::uint64_t index, unsigned stream) {
  const std::uint64_t h = mix(mix(seed ^ (static_cast<std::uint64_t>(stream) << 56)) + index);
  return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

double gauss(std::uint64_t seed, std::uint64_t index, unsigned stream) {
  const double u1 = std::max(uniform(seed, index, stream), 1e-300);
  const double u2 = uniform(seed, index, stream + 1);
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
}

bool Tester::setPullSpeed(double newtonPerSecond) {
  if (!(newtonPerSecond > 0.0) || !std::isfinite(newtonPerSecond))
    return false;
  pullSpeed_ = newtonPerSecond;
  return true;
}

bool Tester::setOutputLine(double voltsPerKiloNewton, double offsetVolts) {
  if (!std::isfinite(voltsPerKiloNewton) || !std::isfinite(offsetVolts) ||
      voltsPerKiloNewton == 0.0)
    return false;
  line_ = {voltsPerKiloNewton, offsetVolts};
  return true;
}

void Tester::holdForce(double since, double kiloNewton) {
  if (!(kiloNewton >= 0.0) || !std::isfinite(kiloNewton))
    kiloNewton = std::nan("");
  // A change at an earlier time than the last one cannot happen on a running clock; a clock
  // set back (a reset) starts the record afresh.
  if (!held_.empty() && since < held_.back().since)
    held_.clear();
  held_.push_back({since, kiloNewton});
}

const double* Tester::heldAt(double time) const {
  // A hold reaches the sample taken at the moment it began: sample times and the clock are
  // sums of different steps, so "the same moment" may differ in the last bits.
  constexpr double SameMoment = 1e-9; // s, far below any sample period
  for (auto it = held_.rbegin(); it != held_.rend(); ++it)
    if (it->since <= time + SameMoment)
      return std::isnan(it->kiloNewton) ? nullptr : &it->kiloNewton;
  return nullptr;
}

Specimen Tester::startSpecimen() {
  ++count_;
  const std::uint64_t s =
      mix((static_cast<std::uint64_t>(seed_) << 32) ^ static_cast<unsigned>(count_));
  Specimen sp;
  sp.seed = s;
  sp.delay = 0.8 + 0.4 * uniform(s, 0, 10);
  sp.speed = pullSpeed_ / 1000.0;
  sp.offset = 0.003 + 0.004 * uniform(s, 0, 11);
  sp.line = line_;
  if (fixedBreak_ > 0.0 && std::isfinite(fixedBreak_)) {
    sp.breakForce = fixedBreak_;
  } else {
    // Pull-off forces scatter around a mean; keep them inside the 0..10 V input.
    sp.breakForce = std::clamp(2.5 + 0.8 * gauss(s, 0, 12), MinBreakForce, MaxBreakForce);
  }
  current_ = sp;
  return sp;
}

double testerVolts(const Specimen& s, std::uint64_t k, double rate, double spikeRate,
                   const double* heldForce) {
  const double t = static_cast<double>(k) / rate;
  double force = 0.0;
  if (heldForce)
    force = *heldForce;
  else if (t > s.delay)
    force = std::min(s.speed * (t - s.delay), s.breakForce);
  double v = s.offset + s.line.offsetVolts + force * s.line.voltsPerKiloNewton +
             NoiseVolts * gauss(s.seed, k, 20);
  if (spikeRate > 0.0 && uniform(s.seed, k, 30) < spikeRate) {
    const double size = 0.5 + 1.5 * uniform(s.seed, k, 31);
    v += uniform(s.seed, k, 32) < 0.5 ? size : -size;
  }
  return v;
}

double idleVolts(std::uint64_t seed, std::uint64_t k) {
  return NoiseVolts * gauss(seed, k, 40);
}

} // namespace zvsim
