#include "daq/zv_nidaq.hpp"

#include <array>
#include <cstdio>

namespace zv {

namespace {

constexpr std::size_t DeviceListSize = 1024; // the driver lists all devices in one text
constexpr std::size_t ProductTypeSize = 100;

std::vector<std::string> splitDeviceList(const std::string& list) {
  std::vector<std::string> names;
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t comma = list.find(',', pos);
    if (comma == std::string::npos)
      comma = list.size();
    std::string name = list.substr(pos, comma - pos);
    const auto first = name.find_first_not_of(" \t");
    const auto last = name.find_last_not_of(" \t");
    if (first != std::string::npos)
      names.push_back(name.substr(first, last - first + 1));
    pos = comma + 1;
  }
  return names;
}

bool supportedProduct(const std::string& product) {
  return product == ProductDAQPad6015 || product == ProductUSB6210;
}

// A text out of a fixed buffer that the driver may have filled to the last byte.
std::string fromBuffer(const char* data, std::size_t size) {
  std::size_t n = 0;
  while (n < size && data[n] != '\0')
    ++n;
  return std::string(data, n);
}

// Clears a digital task however the sequence using it ends.
class ScopedTask {
public:
  explicit ScopedTask(const daqmx::Api& api) : api_(api) {}
  ~ScopedTask() {
    if (handle)
      api_.ClearTask(handle);
  }
  ScopedTask(const ScopedTask&) = delete;
  ScopedTask& operator=(const ScopedTask&) = delete;
  daqmx::TaskHandle handle = nullptr;

private:
  const daqmx::Api& api_;
};

// The output task on one digital line and the input task on another, as the connection tests
// loop them back: the first failing driver status, or 0.
int openLoopback(const daqmx::Api& api, ScopedTask& out, ScopedTask& in, const std::string& outLine,
                 const std::string& inLine) {
  int rc = api.CreateTask("", &out.handle);
  if (rc >= 0)
    rc = api.CreateDOChan(out.handle, outLine.c_str(), "", daqmx::Val_ChanPerLine);
  if (rc >= 0)
    rc = api.CreateTask("", &in.handle);
  if (rc >= 0)
    rc = api.CreateDIChan(in.handle, inLine.c_str(), "", daqmx::Val_ChanPerLine);
  return rc < 0 ? rc : 0;
}

} // namespace

NiDaq::NiDaq(std::vector<std::string> libraryCandidates)
    : candidates_(std::move(libraryCandidates)) {}

NiDaq::~NiDaq() {
  if (created_ && library_.loaded())
    library_.api().ClearTask(task_);
}

void NiDaq::setLibraryCandidates(std::vector<std::string> candidates) {
  candidates_ = std::move(candidates);
}

int NiDaq::bindDriver() {
  if (library_.loaded())
    return 0;
  if (library_.load(candidates_))
    return 0;
  errorCode_ = -1;
  errorText_ = "NI-DAQmx driver not available: " + library_.error();
  return -1;
}

int NiDaq::requireDriver() {
  return bindDriver();
}

int NiDaq::fail(int status) {
  errorCode_ = status;
  std::array<char, ErrorTextSize> text{};
  if (library_.loaded() && library_.api().GetExtendedErrorInfo(text.data(), text.size()) >= 0)
    errorText_ = fromBuffer(text.data(), text.size());
  else
    errorText_.clear();
  return status;
}

int NiDaq::refuse(int code, const char* why) {
  errorCode_ = code;
  errorText_ = why;
  return code;
}

int NiDaq::nidaqInit() {
  if (created_ && library_.loaded())
    library_.api().ClearTask(task_);
  task_ = nullptr;
  created_ = configured_ = running_ = false;
  errorCode_ = 0;
  errorText_.clear();
  return 0;
}

int NiDaq::nidaqVersion() {
  if (int rc = requireDriver(); rc < 0)
    return rc;
  const auto& api = library_.api();
  daqmx::uInt32 major = 0;
  daqmx::uInt32 minor = 0;
  if (int rc = api.GetSysNIDAQMajorVersion(&major); rc < 0)
    return fail(rc);
  if (int rc = api.GetSysNIDAQMinorVersion(&minor); rc < 0)
    return fail(rc);
  return static_cast<int>(((major & 0x7FFFu) << 16) | (minor & 0xFFFFu));
}

int NiDaq::nidaqFindDevice(std::string& product, std::uint32_t& serial, std::string& name) {
  if (int rc = requireDriver(); rc < 0)
    return rc;
  const auto& api = library_.api();
  std::vector<char> list(DeviceListSize, '\0');
  if (int rc = api.GetSysDevNames(list.data(), static_cast<daqmx::uInt32>(list.size())); rc < 0)
    return fail(rc);
  const auto names = splitDeviceList(fromBuffer(list.data(), list.size()));
  if (names.empty())
    return refuse(-1, "no acquisition device found");

  // Several devices may be installed: take the first one we can drive.
  int chosen = -1;
  std::string chosenProduct;
  int firstError = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::array<char, ProductTypeSize> type{};
    int rc = api.GetDevProductType(names[i].c_str(), type.data(), type.size());
    if (rc < 0) {
      if (firstError == 0)
        firstError = fail(rc);
      continue;
    }
    std::string p = fromBuffer(type.data(), type.size());
    const bool supported = supportedProduct(p);
    if (chosen < 0 || supported) {
      chosen = static_cast<int>(i);
      chosenProduct = p;
    }
    if (supported)
      break;
  }
  if (chosen < 0)
    return firstError;

  daqmx::uInt32 serialNumber = 0;
  if (int rc = api.GetDevSerialNum(names[chosen].c_str(), &serialNumber); rc < 0)
    return fail(rc);
  deviceName_ = names[chosen];
  productType_ = chosenProduct;
  serial_ = serialNumber;
  errorCode_ = 0;
  errorText_.clear();
  product = productType_;
  serial = serial_;
  name = deviceName_;
  return 0;
}

int NiDaq::nidaqCreateTask() {
  if (int rc = requireDevice(); rc < 0)
    return rc;
  if (created_)
    nidaqClear(); // a left-over task would keep the analog input reserved
  daqmx::TaskHandle handle = nullptr;
  if (int rc = library_.api().CreateTask("", &handle); rc < 0)
    return fail(rc);
  task_ = handle;
  created_ = true;
  configured_ = running_ = false;
  errorCode_ = 0;
  errorText_.clear();
  return 0;
}

int NiDaq::nidaqConfigAI(int channelCode, double rate, double minVolts, double maxVolts,
                         double& actualRate) {
  if (!created_)
    return refuse(-1, "no analog task");
  if (running_)
    return refuse(-2, "analog task is running");
  const auto& api = library_.api();
  const std::string channel =
      deviceName_ + (channelCode == 0 || channelCode == 1 ? "/ai0" : "/ai1");
  if (int rc = api.CreateAIVoltageChan(task_, channel.c_str(), "K1", daqmx::Val_Diff, minVolts,
                                       maxVolts, daqmx::Val_Volts, nullptr);
      rc < 0)
    return fail(rc);
  if (int rc = api.CfgSampClkTiming(task_, "", rate, daqmx::Val_Rising, daqmx::Val_ContSamps,
                                    BufferSamplesPerChannel);
      rc < 0)
    return fail(rc);
  double actual = 0.0;
  if (int rc = api.GetSampClkRate(task_, &actual); rc < 0)
    return fail(rc);
  actualRate = actual;
  configured_ = true;
  return 0;
}

int NiDaq::nidaqStart() {
  if (!created_)
    return refuse(-1, "no analog task");
  if (!configured_)
    return refuse(-3, "analog task not configured");
  if (int rc = library_.api().StartTask(task_); rc < 0)
    return fail(rc);
  running_ = true;
  return 0;
}

int NiDaq::nidaqRead(int& count, double* buffer, int size) {
  count = 0;
  if (!created_)
    return refuse(-1, "no analog task");
  if (!running_)
    return refuse(-2, "analog task not running");
  if (!buffer || size <= 0)
    return refuse(-4, "no room for samples");
  daqmx::int32 read = 0;
  if (int rc = library_.api().ReadAnalogF64(task_, daqmx::Val_Auto, Timeout,
                                            daqmx::Val_GroupByScanNumber, buffer,
                                            static_cast<daqmx::uInt32>(size), &read, nullptr);
      rc < 0)
    return fail(rc);
  count = read < 0 ? 0 : (read > size ? size : read);
  return 0;
}

int NiDaq::nidaqStop() {
  if (!running_)
    return 0;
  if (int rc = library_.api().StopTask(task_); rc < 0)
    return fail(rc);
  running_ = false;
  return 0;
}

int NiDaq::nidaqClear() {
  if (!created_)
    return 0;
  int rc = library_.loaded() ? library_.api().ClearTask(task_) : 0;
  // The handle is gone either way; keeping it would only let a later call use a dead task.
  task_ = nullptr;
  created_ = configured_ = running_ = false;
  return rc < 0 ? fail(rc) : 0;
}

int NiDaq::requireDevice() {
  if (deviceName_.empty())
    return refuse(-1, "no acquisition device known");
  return requireDriver();
}

std::string NiDaq::line(const char* pattern) const {
  std::array<char, 160> text{};
  std::snprintf(text.data(), text.size(), pattern, deviceName_.c_str());
  return text.data();
}

int NiDaq::nidaqTestUSB6210(int& followsHigh, int& followsLow) {
  followsHigh = followsLow = 0;
  if (int rc = requireDevice(); rc < 0)
    return rc;
  const auto& api = library_.api();
  ScopedTask out(api);
  ScopedTask in(api);
  if (int rc = openLoopback(api, out, in, line("%s/port1/line0"), line("%s/port0/line0")); rc < 0)
    return fail(rc);

  daqmx::int32 done = 0;
  const daqmx::uInt8 high[1] = {1};
  if (int rc = api.WriteDigitalLines(out.handle, 1, 1, Timeout, daqmx::Val_GroupByChannel, high,
                                     &done, nullptr);
      rc < 0)
    return fail(rc);
  std::array<daqmx::uInt8, 8> lines{};
  daqmx::int32 bytesPerSample = 0;
  if (int rc = api.ReadDigitalLines(in.handle, 1, Timeout, daqmx::Val_GroupByChannel, lines.data(),
                                    lines.size(), &done, &bytesPerSample, nullptr);
      rc < 0)
    return fail(rc);
  followsHigh = lines[0] != 0 ? 1 : 0;

  const daqmx::uInt8 low[1] = {0};
  if (int rc = api.WriteDigitalLines(out.handle, 1, 1, Timeout, daqmx::Val_GroupByChannel, low,
                                     &done, nullptr);
      rc < 0)
    return fail(rc);
  daqmx::uInt8 port = 0;
  if (int rc = api.ReadDigitalU8(in.handle, 1, Timeout, daqmx::Val_GroupByChannel, &port, 1, &done,
                                 nullptr);
      rc < 0)
    return fail(rc);
  followsLow = (port & 0x01) == 0 ? 1 : 0;
  return 0;
}

int NiDaq::nidaqTestDAQPad6015(int& a, int& b) {
  a = b = 0;
  if (int rc = requireDevice(); rc < 0)
    return rc;
  const auto& api = library_.api();
  ScopedTask out(api);
  ScopedTask in(api);
  if (int rc = openLoopback(api, out, in, line("%s/port0/line2"), line("%s/port0/line3")); rc < 0)
    return fail(rc);

  daqmx::int32 done = 0;
  for (int step = 0; step < 2; ++step) {
    const daqmx::uInt8 value[1] = {static_cast<daqmx::uInt8>(step == 0 ? 0xFF : 0x00)};
    if (int rc = api.WriteDigitalU8(out.handle, 1, 1, Timeout, daqmx::Val_GroupByChannel, value,
                                    &done, nullptr);
        rc < 0)
      return fail(rc);
    daqmx::uInt8 byte = 0;
    if (int rc = api.ReadDigitalU8(in.handle, 1, Timeout, daqmx::Val_GroupByChannel, &byte, 1,
                                   &done, nullptr);
        rc < 0)
      return fail(rc);
    if (step == 0)
      a = byte != 4 ? 1 : 0;
    else
      b = byte != 0 ? 1 : 0;
  }
  return 0;
}

int NiDaq::writeLine(const std::string& name, bool asByte, std::uint8_t value) {
  const auto& api = library_.api();
  ScopedTask task(api);
  if (int rc = api.CreateTask("", &task.handle); rc < 0)
    return fail(rc);
  if (int rc = api.CreateDOChan(task.handle, name.c_str(), "", daqmx::Val_ChanPerLine); rc < 0)
    return fail(rc);
  daqmx::int32 done = 0;
  const daqmx::uInt8 data[1] = {value};
  int rc = asByte ? api.WriteDigitalU8(task.handle, 1, 1, Timeout, daqmx::Val_GroupByChannel, data,
                                       &done, nullptr)
                  : api.WriteDigitalLines(task.handle, 1, 1, Timeout, daqmx::Val_GroupByChannel,
                                          data, &done, nullptr);
  return rc < 0 ? fail(rc) : 0;
}

int NiDaq::nidaqSelectUSB6210(int a, int b) {
  if (int rc = requireDevice(); rc < 0)
    return rc;
  if (int rc = writeLine(line("%s/port1/line2"), false, a ? 1 : 0); rc < 0)
    return rc;
  return writeLine(line("%s/port1/line1"), false, b ? 1 : 0);
}

int NiDaq::nidaqSelectDAQPad6015(int a, int b) {
  if (int rc = requireDevice(); rc < 0)
    return rc;
  if (int rc = writeLine(line("%s/port0/line0"), true, a ? 0xFF : 0x00); rc < 0)
    return rc;
  return writeLine(line("%s/port0/line1"), true, b ? 0xFF : 0x00);
}

int NiDaq::setSimulatedPullSpeed(int tester, double newtonPerSecond) {
  if (!library_.loaded() || !library_.api().SimSetPullSpeed)
    return 0;
  return library_.api().SimSetPullSpeed(tester, newtonPerSecond);
}

} // namespace zv
