#pragma once
// The acquisition box as the program sees it: start-up detection and connection test, the
// channel-select outputs, analog start/stop/read for measuring and calibration, the status
// texts and the remote commands. All DAQ state lives in one Daq object.
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/zv_meas_params.hpp"
#include "daq/zv_analog_input.hpp"
#include "daq/zv_nidaq.hpp"
#include "support/zv_message.hpp"
#include "support/zv_texts.hpp"

namespace zv {

// daqErrorState values.
namespace daqstate {
constexpr int Ok = 0;
constexpr int Unknown = 1; // also: started OFFLINE
constexpr int DriverMissing = 2;
constexpr int NoConnection = 6;
constexpr int StartFailed = 7;
constexpr int DataTransfer = 9;
constexpr int StopFailed = 10;
constexpr int ChannelSelect = 11;
} // namespace daqstate

// Codes the DAQ layer reports to the error log.
namespace daqerr {
enum DaqCode : int {
  Version = -1120,
  FindDevice = -1121,
  ConnectionTest = -1132,
  SelectChannel = -1137,
  Start = -1205,
  Stop = -1206,
};
} // namespace daqerr

// Modes of daqSelectChannel.
namespace selectmode {
constexpr int Channel0 = 1;
constexpr int Channel1 = 2;
constexpr int Shutdown = 3;
} // namespace selectmode

// Gain code for a piston's full-scale voltage: 1 (0..10 V) down to 100 (0..0.1 V).
int gainCodeForVolts(double fullScaleVolts);
// "V" + major + "." + minor, each in hexadecimal right-aligned in two characters.
std::string formatDaqVersion(unsigned major, unsigned minor);

// What the Setup > Data Acquisition dialog shows, in the current language.
struct DaqDialogTexts {
  std::string title;
  std::string heading;
  // Product type, driver version, serial number, device name.
  std::array<std::string, 4> captions;
  std::array<std::string, 4> values;
};
DaqDialogTexts dataAcquisitionDialogTexts(const MeasParams& mp, const Language& lang);

class Daq {
public:
  Daq(MeasParams& mp, Reporter& reporter, const Language& lang);

  // Which driver library to load (see daqmx::libraryCandidates); call before daqInit.
  void setLibraryCandidates(std::vector<std::string> candidates);
  // The measurement code's own run state (measuring, stopped, curve offset, plot) is reset
  // through this hook by daqInit and daqShutdown.
  void setRunStateReset(std::function<void()> reset) { runStateReset_ = std::move(reset); }

  // Start-up: detection, connection test and channel select; writes the status to the log
  // window. Returns the resulting daqErrorState.
  int daqInit();
  // Mode 1 = channel 0, 2 = channel 1, 3 = shutdown, other = both outputs low.
  // Returns 0, or 11 when an output could not be written.
  int daqSelectChannel(int mode);
  // The channel chosen in the setup dialog. Returns 0 or the daqSelectChannel failure.
  int daqSetChannel(int channel);
  // Starts the analog acquisition of channel 0..3 with the input range that fits the full-scale
  // voltage. 0 with actualRate set; -1 for another channel; -1205 when the driver failed
  // (daqErrorState becomes 7).
  int daqStart(int channel, double fullScaleVolts, int requestedRate, double& actualRate);
  // 0, or -1206 when the driver failed (daqErrorState becomes 10).
  int daqStop();
  // Reads every sample available: their count (samples() holds them), or the negative adapter
  // code. The caller decides what a failure means (see reportDaqError).
  int daqRead();
  std::span<const double> samples() const {
    return {buffer_.data(), static_cast<std::size_t>(count_)};
  }
  const char* daqStateText(int code) const;
  // Remote commands 1 start, 2 stop, 3 up, 4 down. -99 while a DAQ error is pending,
  // -1 while remote control is off, -2 for an unknown command.
  int daqRemote(int command, int length);
  void daqShutdown();

  // Records a driver failure in the error log with the driver's text; only when both the code
  // and the status are non-zero. Returns code.
  int reportDaqError(int code, int status);
  // Tells the simulated tester on the channel's input the pull speed of the coming measurement
  // (N/s); call it before daqStart. 0 with the real driver, -1 for a channel outside 0..3.
  int announcePullSpeed(int channel, double newtonPerSecond);

  // Values handed to the remote output, oldest first (it has no hardware line of its own).
  const std::vector<int>& remoteOutputs() const { return remoteOutputs_; }
  NiDaq& driver() { return driver_; }
  const NiDaq& driver() const { return driver_; }

private:
  int detect();
  int connectionTest();
  int remoteOutput(int value);

  MeasParams& mp_;
  Reporter& reporter_;
  const Language& lang_;
  NiDaq driver_;
  AnalogInput pad_{driver_};
  std::function<void()> runStateReset_;
  std::array<double, AnalogInput::BufferSize> buffer_{};
  int count_ = 0;
  std::vector<int> remoteOutputs_;
};

} // namespace zv
