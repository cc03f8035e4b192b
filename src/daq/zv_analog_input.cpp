#include "daq/zv_analog_input.hpp"

namespace zv {

InputRange inputRangeForGain(int gain) {
  switch (gain) {
  case 2:
    return {0.0, 5.0};
  case 5:
    return {0.0, 2.0};
  case 10:
    return {0.0, 1.0};
  case 20:
    return {0.0, 0.5};
  case 50:
    return {0.0, 0.2};
  case 100:
    return {0.0, 0.1};
  default:
    return {0.0, 10.0};
  }
}

std::uint16_t AnalogInput::taskStatus() const {
  std::uint16_t s = 0;
  if (driver_.taskCreated())
    s |= daqstatus::TaskCreated;
  if (driver_.taskConfigured())
    s |= daqstatus::TaskConfigured;
  if (driver_.taskRunning())
    s |= daqstatus::TaskRunning;
  return s;
}

int AnalogInput::start(std::int16_t, double rate, int channelCode, int gain, double& interval,
                       std::uint16_t& status) {
  interval = 0.0;
  int rc = 0;
  if (driver_.nidaqCreateTask() < 0) {
    rc = analogerr::CreateTask;
  } else {
    const InputRange range = inputRangeForGain(gain);
    double actual = 0.0;
    if (driver_.nidaqConfigAI(channelCode, rate, range.minVolts, range.maxVolts, actual) < 0 ||
        !(actual > 0.0)) {
      rc = analogerr::ConfigChannel;
    } else {
      interval = 1.0 / actual;
      if (driver_.nidaqStart() < 0)
        rc = analogerr::Start;
    }
  }
  status = taskStatus();
  return rc;
}

int AnalogInput::stop(std::int16_t, std::uint16_t& status) {
  int rc = 0;
  if (driver_.nidaqStop() < 0)
    rc = analogerr::Stop;
  // Clear in any case, so that the next start finds the analog input free; the stop failure
  // stays the one reported, with its driver text.
  if (driver_.nidaqClear() < 0 && rc == 0)
    rc = analogerr::Clear;
  status = taskStatus();
  return rc;
}

int AnalogInput::read(std::int16_t, std::array<double, BufferSize>& buffer, int& count,
                      std::uint16_t& status) {
  count = 0;
  int rc = driver_.nidaqRead(count, buffer.data(), BufferSize);
  status = taskStatus();
  if (rc < 0) {
    count = 0;
    return analogerr::Read;
  }
  if (count > 0)
    status |= daqstatus::SamplesRead;
  return count > 0 ? 1 : 0;
}

} // namespace zv
