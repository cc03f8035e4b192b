#pragma once
// Acquisition adapter: start, stop and read of the analog acquisition with gain codes and a
// 16-bit status word, on top of the driver layer.
#include <array>
#include <cstdint>

#include "daq/zv_nidaq.hpp"

namespace zv {

// Status word bits: the state of the analog task after the call.
namespace daqstatus {
constexpr std::uint16_t TaskCreated = 0x0001;
constexpr std::uint16_t TaskConfigured = 0x0002;
constexpr std::uint16_t TaskRunning = 0x0004;
constexpr std::uint16_t SamplesRead = 0x0008;
} // namespace daqstatus

// Adapter failure codes.
namespace analogerr {
enum AnalogInputCode : int {
  CreateTask = -1008,
  ConfigChannel = -1009,
  Start = -1010,
  Stop = -1022,
  Clear = -1023,
  Read = -1035,
};
} // namespace analogerr

struct InputRange {
  double minVolts;
  double maxVolts;
};

// Input range of a gain code: 1 -> 0..10 V, 2 -> 0..5 V, 5 -> 0..2 V, 10 -> 0..1 V,
// 20 -> 0..0.5 V, 50 -> 0..0.2 V, 100 -> 0..0.1 V, anything else 0..10 V.
InputRange inputRangeForGain(int gain);

class AnalogInput {
public:
  static constexpr int BufferSize = 10000;

  explicit AnalogInput(NiDaq& driver) : driver_(driver) {}

  // Creates, configures and starts the analog task; interval = 1 / actual rate in seconds.
  int start(std::int16_t device, double rate, int channelCode, int gain, double& interval,
            std::uint16_t& status);
  // Stops and clears the task. The task is cleared even when stopping failed.
  int stop(std::int16_t device, std::uint16_t& status);
  // Reads every available sample (at most BufferSize) into buffer; count receives how many.
  // Returns 1 when at least one sample was read, 0 when none, or -1035.
  int read(std::int16_t device, std::array<double, BufferSize>& buffer, int& count,
           std::uint16_t& status);

private:
  std::uint16_t taskStatus() const;
  NiDaq& driver_;
};

} // namespace zv
