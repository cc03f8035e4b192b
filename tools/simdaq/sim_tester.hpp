#pragma once
// The simulated pull-off tester: what its force output shows over one specimen. Every value is
// a pure function of the specimen and the sample index, so a read in real time and a read on
// the virtual clock see the same curve.
#include <cstdint>
#include <vector>

namespace zvsim {

// What the tester's force output gives for a force: volts = offset + force * gain. A real
// tester's amplifier is rarely exactly 1 V per kN; calibration finds its line.
struct OutputLine {
  double voltsPerKiloNewton = 1.0;
  double offsetVolts = 0.0;
};

// A force held on the tester from a point of simulated time on (a reference weight or load
// cell); a force that is not a number releases it, and the specimens' curves come back.
struct HeldForce {
  double since = 0.0; // s of the simulator's clock
  double kiloNewton = 0.0;
};

// One specimen, fixed when an acquisition on the tester's input starts.
struct Specimen {
  double delay = 1.0;      // s from the acquisition start until the force rises
  double speed = 0.1;      // kN/s
  double breakForce = 2.5; // kN at tear-off
  double offset = 0.005;   // V of the idle output
  std::uint64_t seed = 0;  // noise and spikes
  OutputLine line;         // the tester's output when the specimen started
};

constexpr double NoiseVolts = 0.0008; // standard deviation of the output noise
constexpr double DefaultSpikeRate = 1.0 / 4000.0;
constexpr double DefaultPullSpeed = 100.0; // N/s
constexpr double MinBreakForce = 0.4;      // kN
constexpr double MaxBreakForce = 9.0;      // kN: stays inside 0..10 V with offset and noise

std::uint64_t mix(std::uint64_t x);
// Uniform in [0, 1) for (seed, index, stream).
double uniform(std::uint64_t seed, std::uint64_t index, unsigned stream);
// Standard normal for (seed, index, stream).
double gauss(std::uint64_t seed, std::uint64_t index, unsigned stream);

class Tester {
public:
  void setSeed(std::uint32_t seed) { seed_ = seed; }
  // <= 0 or not a number: drawn at random per specimen.
  void setBreakForce(double kiloNewton) { fixedBreak_ = kiloNewton; }
  // false for a speed that is not a positive number.
  bool setPullSpeed(double newtonPerSecond);
  double pullSpeed() const { return pullSpeed_; }
  // false for a gain or offset that is not a finite number, or a gain of 0.
  bool setOutputLine(double voltsPerKiloNewton, double offsetVolts);
  const OutputLine& outputLine() const { return line_; }
  // Holds a force from a time on; not a number (or below 0) releases it. Kept in time order.
  void holdForce(double since, double kiloNewton);
  // The held force at a time, or nullptr when the specimen's curve applies.
  const double* heldAt(double time) const;

  // Begins the next specimen: delay, break force and offset drawn from the seed.
  Specimen startSpecimen();
  const Specimen& current() const { return current_; }
  int count() const { return count_; }

private:
  std::uint32_t seed_ = 0;
  double fixedBreak_ = 0.0;
  double pullSpeed_ = DefaultPullSpeed;
  OutputLine line_{};
  std::vector<HeldForce> held_; // releases are stored as NaN
  Specimen current_{};
  int count_ = 0;
};

// The output in volts at sample index k of an acquisition at the given rate: idle noise, the
// delay, the rise at the pull speed, then the reached force held (the tester's display
// keeps the peak); now and then a single-sample spike. A held force, when given, replaces
// the specimen's curve.
double testerVolts(const Specimen& s, std::uint64_t k, double rate, double spikeRate,
                   const double* heldForce = nullptr);

// Output of an input without a tester: noise around zero.
double idleVolts(std::uint64_t seed, std::uint64_t k);

} // namespace zvsim
