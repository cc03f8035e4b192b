#pragma once
// Driver layer: one analog-input task and the digital-line operations of the acquisition box,
// each a short sequence of NI-DAQmx calls. Every failure keeps the driver's status and its
// extended error text for the error log.
#include <cstdint>
#include <string>
#include <vector>

#include "daq/zv_nidaq_api.hpp"

namespace zv {

// Product types the program can drive.
constexpr const char* ProductDAQPad6015 = "DAQPad-6015";
constexpr const char* ProductUSB6210 = "USB-6210";

class NiDaq {
public:
  // Samples per channel asked for as the continuous input buffer.
  static constexpr std::uint64_t BufferSamplesPerChannel = 1000;
  // Timeout of every read and write, in seconds.
  static constexpr double Timeout = 10.0;
  // Longest extended error text kept.
  static constexpr std::size_t ErrorTextSize = 256;

  explicit NiDaq(std::vector<std::string> libraryCandidates = daqmx::defaultLibraryNames());
  ~NiDaq();
  NiDaq(const NiDaq&) = delete;
  NiDaq& operator=(const NiDaq&) = delete;

  // Which libraries bindDriver tries; takes effect at the next binding.
  void setLibraryCandidates(std::vector<std::string> candidates);
  const std::vector<std::string>& libraryCandidates() const { return candidates_; }
  // Loads the driver library if that has not happened yet: 0, or -1 with the reason in the
  // error text. Every driver call binds on first use, so calling this is optional.
  int bindDriver();
  const daqmx::Library& library() const { return library_; }

  // Forgets the task (clearing a left-over one), the error code and the error text.
  int nidaqInit();
  // Looks for the acquisition box: the first listed device whose product type the program
  // supports, or the first device when none is supported. -1 when the list is empty.
  int nidaqFindDevice(std::string& product, std::uint32_t& serial, std::string& name);
  // (major << 16) | minor, or the negative driver status.
  int nidaqVersion();

  int nidaqCreateTask();
  // Channel code 0 or 1 measures ai0, any other ai1. -1 without task, -2 while running.
  int nidaqConfigAI(int channelCode, double rate, double minVolts, double maxVolts,
                    double& actualRate);
  // -1 without task, -3 when not configured.
  int nidaqStart();
  // Reads every sample available, at most size. -1 without task, -2 when not running.
  int nidaqRead(int& count, double* buffer, int size);
  int nidaqStop();
  int nidaqClear();
  const std::string& nidaqErrorText() const { return errorText_; }
  int nidaqErrorCode() const { return errorCode_; }

  // Connection tests: drive the test output high and low and read the test input back.
  int nidaqTestUSB6210(int& followsHigh, int& followsLow);
  int nidaqTestDAQPad6015(int& a, int& b);
  // Channel-select outputs A and B.
  int nidaqSelectUSB6210(int a, int b);
  int nidaqSelectDAQPad6015(int a, int b);

  // Tells a simulated tester its pull speed; does nothing (returns 0) with the real driver.
  int setSimulatedPullSpeed(int tester, double newtonPerSecond);

  bool taskCreated() const { return created_; }
  bool taskConfigured() const { return configured_; }
  bool taskRunning() const { return running_; }
  // The device the last nidaqFindDevice chose ("" before).
  const std::string& deviceName() const { return deviceName_; }

private:
  int fail(int status);
  int refuse(int code, const char* why);
  int requireDriver();
  // A device was found and the driver is there.
  int requireDevice();
  std::string line(const char* pattern) const;
  int writeLine(const std::string& name, bool asByte, std::uint8_t value);

  std::vector<std::string> candidates_;
  daqmx::Library library_;
  daqmx::TaskHandle task_ = nullptr;
  bool created_ = false;
  bool configured_ = false;
  bool running_ = false;
  int errorCode_ = 0;
  std::string errorText_;
  std::string deviceName_;
  std::string productType_;
  std::uint32_t serial_ = 0;
};

} // namespace zv
