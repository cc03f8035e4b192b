#pragma once
// Stand-ins for what a measurement talks to: an acquisition that serves scripted sample blocks,
// the two tester devices, and a curve view that records what it was asked to draw.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "daq/zv_pulloff_processor.hpp"

namespace zv::test {

// The reads of one specimen after a start: 32 idle samples, then a pull at 64 samples per kN
// up to `top`, then the reached force held, 100 samples per read.
inline std::vector<double> specimenRead(int read, double top) {
  std::vector<double> v;
  if (read == 0)
    v.assign(32, 0.0);
  else if (read == 1)
    for (double f = 1.0 / 64; f <= top; f += 1.0 / 64)
      v.push_back(f);
  else
    v.assign(100, top);
  return v;
}

class ScriptedAcquisition : public Acquisition {
public:
  struct StartCall {
    int channel;
    double volts;
    int rate;
  };
  double actualRate = 100.0;
  bool failStart = false;
  bool failStop = false;
  bool failRead = false;
  // Blocks handed out by daqRead, one per read; an empty queue reads 0 samples.
  std::deque<std::vector<double>> blocks;
  // When set, produces the samples of a read instead of the queue (from the index of the read
  // since the last start).
  std::function<std::vector<double>(int)> generator;

  std::vector<StartCall> starts;
  int stops = 0;
  int reads = 0;
  bool running = false;

  int daqStart(int channel, double volts, int rate, double& actual) override {
    starts.push_back({channel, volts, rate});
    if (failStart)
      return -1205;
    actual = actualRate;
    running = true;
    readsSinceStart = 0;
    return 0;
  }
  int daqStop() override {
    ++stops;
    running = false;
    return failStop ? -1206 : 0;
  }
  int daqRead(const double*& samples) override {
    ++reads;
    if (failRead)
      return -1035;
    if (generator) {
      current = generator(readsSinceStart++);
    } else {
      if (blocks.empty())
        return 0;
      current = std::move(blocks.front());
      blocks.pop_front();
    }
    if (current.size() > 10000)
      current.resize(10000);
    samples = current.data();
    return static_cast<int>(current.size());
  }
  void announcePullSpeed(int channel, double speed) override {
    announced.emplace_back(channel, speed);
  }
  int readsSinceStart = 0;
  std::vector<double> current;
  std::vector<std::pair<int, double>> announced;
};

class FakeTesters : public TesterLookup {
public:
  std::string names[2] = {"Tester One", "Tester Two"};
  PistonList pistons[2];
  const std::string* testerName(int channel) const override {
    return channel == 0 || channel == 1 ? &names[channel] : nullptr;
  }
  const PistonList* testerPistons(int channel) const override {
    return channel == 0 || channel == 1 ? &pistons[channel] : nullptr;
  }
};

// A calibrated piston: force = volts * gain (kN per V) + offset.
inline void calibrate(PistonRange& p, double gain = 1.0, double offset = 0.0) {
  p.calFlags = PistonRange::FullyCalibrated;
  p.calVolts1 = 0.0;
  p.calVolts2 = 1.0;
  p.calForce1 = offset;
  p.calForce2 = offset + gain;
}

} // namespace zv::test
