// The simulated acquisition box: the NI-DAQmx C functions the program uses, acting on a
// simulated USB-6210 "Dev1" with two pull-off testers on ai0 and ai1. The program binds this
// library exactly as it binds the real driver.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <vector>

#include "daq/zv_nidaq_api.hpp"
#include "platform/zv_number_text.hpp"
#include "sim_tester.hpp"
#include "zv_simdaq.h"

using namespace zv::daqmx;

namespace {

constexpr int32 ErrWriteNeedsStart = -200846;
constexpr int32 ErrReadNotRunning = -200473;
constexpr int32 ErrReadArrayTooSmall = -200229;

struct Device {
  std::string name;
  std::string product;
  uInt32 serial = 0;
};

// What a product offers.
struct Caps {
  double timebase;  // Hz of the sample clock timebase
  double maxRate;   // S/s
  int analogInputs; // single-ended count; differential pairs are half of it
  bool usbPorts;    // USB-6210: inputs only on port0 line0..3, outputs only on port1 line0..3
  int ports;
  int linesPerPort;
  std::vector<double> ranges; // bipolar input ranges, smallest first
};

Caps capsFor(const std::string& product) {
  if (product == "USB-6210")
    return {80e6, 250e3, 16, true, 2, 4, {0.2, 1.0, 5.0, 10.0}};
  if (product == "DAQPad-6015")
    return {20e6, 200e3, 16, false, 1, 8, {0.05, 0.5, 5.0, 10.0}};
  return {80e6, 250e3, 16, false, 3, 8, {0.2, 1.0, 5.0, 10.0}};
}

struct Line {
  std::string device; // as the device list spells it
  int port = 0;
  int line = 0;
  std::string key() const; // lower-case "dev1/port1/line0"
  std::string name() const {
    return device + "/port" + std::to_string(port) + "/line" + std::to_string(line);
  }
};

std::string lower(std::string s) {
  for (auto& c : s)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Line::key() const {
  return lower(name());
}

enum class Kind { Empty, AI, DO, DI };

struct Task {
  std::string name;
  Kind kind = Kind::Empty;
  // analog input
  std::string device;
  int aiChannel = -1;
  double range = 10.0;
  bool timed = false;
  bool continuous = true;
  double rate = 0.0;
  uInt64 bufferSize = 0;
  bool running = false;
  double t0 = 0.0;
  uInt64 consumed = 0;
  bool overflow = false;
  int tester = -1;
  zvsim::Specimen specimen;
  // digital
  std::vector<std::vector<Line>> channels;
  bool started = false;
};

struct State {
  std::mutex mutex;
  std::vector<Device> devices;
  std::map<std::uintptr_t, Task> tasks;
  std::uintptr_t nextId = 1;
  int unnamed = 0;
  std::map<std::string, int> outputs;
  std::vector<std::pair<std::string, int>> writes;
  uInt32 faults = 0;
  bool virtualClock = false;
  double virtualNow = 0.0;
  double scale = 1.0;
  double realBase = 0.0;
  std::chrono::steady_clock::time_point realOrigin = std::chrono::steady_clock::now();
  zvsim::Tester testers[2];
  double spikeRate = zvsim::DefaultSpikeRate;
  uInt32 bufferOverride = 0;
  std::string lastError;

  State() { reset(); }
  void reset();
  double now() const;
};

uInt32 faultsFromText(const char* text) {
  static const std::pair<const char*, uInt32> names[] = {
      {"version", ZVSIM_FAULT_VERSION}, {"nodevice", ZVSIM_FAULT_NODEVICE},
      {"product", ZVSIM_FAULT_PRODUCT}, {"contest", ZVSIM_FAULT_CONTEST},
      {"start", ZVSIM_FAULT_START},     {"config", ZVSIM_FAULT_CONFIG},
      {"read", ZVSIM_FAULT_READ},       {"stop", ZVSIM_FAULT_STOP},
      {"select", ZVSIM_FAULT_SELECT},   {"overflow", ZVSIM_FAULT_OVERFLOW},
  };
  uInt32 mask = 0;
  std::string all = lower(text ? text : "");
  std::size_t pos = 0;
  while (pos <= all.size()) {
    std::size_t comma = all.find(',', pos);
    if (comma == std::string::npos)
      comma = all.size();
    std::string word = all.substr(pos, comma - pos);
    word.erase(0, word.find_first_not_of(' '));
    word.erase(word.find_last_not_of(' ') + 1);
    for (const auto& [name, bit] : names)
      if (word == name)
        mask |= bit;
    pos = comma + 1;
  }
  return mask;
}

void State::reset() {
  devices = {{"Dev1", "USB-6210", 0x01A2B3C4u}};
  tasks.clear();
  nextId = 1;
  unnamed = 0;
  outputs.clear();
  writes.clear();
  faults = faultsFromText(std::getenv("ZARVIK_SIM_FAULTS"));
  virtualClock = false;
  virtualNow = 0.0;
  scale = 1.0;
  if (const char* s = std::getenv("ZARVIK_SIM_SPEED")) {
    const double f = zv::readNumber(s).value;
    if (f > 0.0 && std::isfinite(f))
      scale = f;
  }
  realBase = 0.0;
  realOrigin = std::chrono::steady_clock::now();
  std::uint32_t seed = 1;
  if (const char* s = std::getenv("ZARVIK_SIM_SEED"))
    seed = static_cast<std::uint32_t>(std::strtoul(s, nullptr, 10));
  // "0.8,0.1": both testers give 0.8 V per kN over 0.1 V instead of 1 V per kN.
  zvsim::OutputLine line;
  if (const char* s = std::getenv("ZARVIK_SIM_OUTPUT")) {
    const std::string_view text = s;
    const zv::NumberRead slope = zv::readNumber(text);
    line.voltsPerKiloNewton = slope.value;
    if (slope.used < text.size() && text[slope.used] == ',')
      line.offsetVolts = zv::readNumber(text.substr(slope.used + 1)).value;
  }
  for (int i = 0; i < 2; ++i) {
    testers[i] = zvsim::Tester{};
    testers[i].setSeed(seed + static_cast<std::uint32_t>(i) * 7919u);
    testers[i].setOutputLine(line.voltsPerKiloNewton, line.offsetVolts);
  }
  spikeRate = zvsim::DefaultSpikeRate;
  bufferOverride = 0;
  lastError.clear();
}

double State::now() const {
  if (virtualClock)
    return virtualNow;
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - realOrigin).count();
  return realBase + scale * elapsed;
}

State& state() {
  static State s;
  return s;
}

int32 error(State& s, int32 code, const std::string& message, const Task* task = nullptr) {
  s.lastError = message;
  if (task)
    s.lastError += "\nTask Name: " + task->name;
  s.lastError += "\n\nStatus Code: " + std::to_string(code);
  return code;
}

const Device* findDevice(State& s, const std::string& name) {
  if (s.faults & ZVSIM_FAULT_NODEVICE)
    return nullptr;
  for (const auto& d : s.devices)
    if (lower(d.name) == lower(name))
      return &d;
  return nullptr;
}

std::string productOf(const State& s, const Device& d) {
  return (s.faults & ZVSIM_FAULT_PRODUCT) ? "PCI-6221" : d.product;
}

Task* findTask(State& s, TaskHandle h) {
  auto it = s.tasks.find(reinterpret_cast<std::uintptr_t>(h));
  return it == s.tasks.end() ? nullptr : &it->second;
}

int32 invalidTask(State& s) {
  return error(s, ErrorInvalidTask, "Task specified is invalid or does not exist.");
}

// The task a read names, when it exists and has the input the read needs; otherwise rc holds
// the error. Nothing counts as read until the read succeeds.
Task* taskToRead(State& s, TaskHandle task, Kind kind, int32* sampsPerChanRead, int32& rc) {
  if (sampsPerChanRead)
    *sampsPerChanRead = 0;
  Task* t = findTask(s, task);
  if (!t)
    rc = invalidTask(s);
  else if (t->kind != kind)
    rc = error(s, ErrorInvalidAttributeValue,
               kind == Kind::AI ? "The task has no analog input channel."
                                : "The task has no digital input channel.",
               t);
  else
    return t;
  return nullptr;
}

int32 copyText(State& s, const std::string& text, char* data, uInt32 size) {
  if (!data || size == 0)
    return static_cast<int32>(text.size() + 1);
  if (text.size() + 1 > size)
    return error(s, ErrorBufferTooSmallForString,
                 "The buffer is too small for the text (" + std::to_string(text.size() + 1) +
                     " bytes needed).");
  std::memcpy(data, text.c_str(), text.size() + 1);
  return 0;
}

// Splits "Dev1/port1/line2" (or "Dev1/ai0" when analog) into its parts.
bool splitChannel(const std::string& text, std::string& device, std::string& rest) {
  const auto slash = text.find('/');
  if (slash == std::string::npos || slash == 0)
    return false;
  device = text.substr(0, slash);
  rest = lower(text.substr(slash + 1));
  return true;
}

bool parseNumber(const std::string& text, std::size_t from, int& value) {
  if (from >= text.size())
    return false;
  value = 0;
  for (std::size_t i = from; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i])) || value > 1000)
      return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

// Parses a comma-separated list of single lines and checks them against the device.
int32 parseLines(State& s, const char* text, bool output, std::vector<Line>& lines) {
  std::string all = text ? text : "";
  std::size_t pos = 0;
  while (pos <= all.size()) {
    std::size_t comma = all.find(',', pos);
    if (comma == std::string::npos)
      comma = all.size();
    std::string one = all.substr(pos, comma - pos);
    one.erase(0, one.find_first_not_of(' '));
    one.erase(one.find_last_not_of(' ') + 1);
    pos = comma + 1;
    std::string dev;
    std::string rest;
    if (!splitChannel(one, dev, rest))
      return error(s, ErrorPhysicalChanDoesNotExist, "Physical channel \"" + one + "\" not valid.");
    const Device* d = findDevice(s, dev);
    if (!d)
      return error(s, ErrorInvalidDeviceID, "Device \"" + dev + "\" does not exist.");
    const auto sep = rest.find("/line");
    int port = -1;
    int lineNo = -1;
    if (rest.rfind("port", 0) != 0 || sep == std::string::npos ||
        !parseNumber(rest.substr(0, sep), 4, port) || !parseNumber(rest, sep + 5, lineNo))
      return error(s, ErrorPhysicalChanDoesNotExist, "Physical channel \"" + one + "\" not valid.");
    const Caps caps = capsFor(productOf(s, *d));
    bool ok = port < caps.ports && lineNo < caps.linesPerPort;
    if (caps.usbPorts)
      ok = ok && port == (output ? 1 : 0);
    if (!ok)
      return error(s, ErrorPhysicalChanDoesNotExist,
                   "Physical channel \"" + one + "\" does not exist on this device" +
                       (output ? " as an output." : " as an input."));
    lines.push_back({d->name, port, lineNo});
  }
  if (lines.empty())
    return error(s, ErrorPhysicalChanDoesNotExist, "No physical channel given.");
  return 0;
}

// The connection-test loop of the tester interface: the input line and the output feeding it.
bool loopSource(const State& s, const Line& in, Line& out) {
  const Device* d = nullptr;
  for (const auto& dev : s.devices)
    if (dev.name == in.device)
      d = &dev;
  if (!d)
    return false;
  const std::string product = d->product;
  if (product == "USB-6210" && in.port == 0 && in.line == 0) {
    out = {in.device, 1, 0};
    return true;
  }
  if (product == "DAQPad-6015" && in.port == 0 && in.line == 3) {
    out = {in.device, 0, 2};
    return true;
  }
  return false;
}

int inputLevel(const State& s, const Line& in) {
  Line src;
  if (loopSource(s, in, src)) {
    auto it = s.outputs.find(src.key());
    const int level = it == s.outputs.end() ? 0 : it->second;
    return (s.faults & ZVSIM_FAULT_CONTEST) ? 1 - level : level;
  }
  auto it = s.outputs.find(in.key()); // a bidirectional line reads back what it drives
  return it == s.outputs.end() ? 0 : it->second;
}

bool isTestOutput(const Line& l) {
  return (l.port == 1 && l.line == 0) || (l.port == 0 && l.line == 2);
}

uInt64 defaultBufferSize(double rate) {
  if (rate <= 100.0)
    return 1000;
  if (rate <= 10000.0)
    return 10000;
  if (rate <= 1000000.0)
    return 100000;
  return 1000000;
}

uInt64 generated(const State& s, const Task& t) {
  const double elapsed = s.now() - t.t0;
  if (!(elapsed > 0.0))
    return 0;
  return static_cast<uInt64>(std::floor(elapsed * t.rate + 1e-7));
}

// Marks the task overflowed when unread samples were overwritten.
void checkOverflow(const State& s, Task& t) {
  if (!t.overflow && t.continuous && generated(s, t) - t.consumed > t.bufferSize)
    t.overflow = true;
}

double sampleVolts(const State& s, const Task& t, uInt64 k) {
  double v = 0.0;
  if (t.tester >= 0) {
    const double at = t.t0 + static_cast<double>(k) / t.rate;
    v = zvsim::testerVolts(t.specimen, k, t.rate, s.spikeRate, s.testers[t.tester].heldAt(at));
  } else {
    v = zvsim::idleVolts(t.specimen.seed, k);
  }
  v = std::clamp(v, -t.range, t.range);
  const double step = 2.0 * t.range / 65536.0; // 16-bit converter
  return std::round(v / step) * step;
}

int32 createChan(TaskHandle task, const char* lines, int32 grouping, Kind kind) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  Task* t = findTask(s, task);
  if (!t)
    return invalidTask(s);
  if (t->kind != Kind::Empty && t->kind != kind)
    return error(s, ErrorInvalidAttributeValue, "A task holds channels of one kind only.", t);
  if (grouping != Val_ChanPerLine && grouping != Val_ChanForAllLines)
    return error(s, ErrorInvalidAttributeValue, "Line grouping not valid.", t);
  std::vector<Line> parsed;
  if (int32 rc = parseLines(s, lines, kind == Kind::DO, parsed); rc < 0)
    return rc;
  t->kind = kind;
  if (grouping == Val_ChanPerLine)
    for (const auto& l : parsed)
      t->channels.push_back({l});
  else
    t->channels.push_back(parsed);
  return 0;
}

std::size_t lineCount(const Task& t) {
  std::size_t n = 0;
  for (const auto& c : t.channels)
    n += c.size();
  return n;
}

// Writes one value per line for each sample; byteMode takes the level from the bit of the
// line's number in one byte per channel.
int32 writeDigital(TaskHandle task, int32 samples, bool32 autoStart, bool32 layout,
                   const uInt8* data, int32* written, bool byteMode) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (written)
    *written = 0;
  Task* t = findTask(s, task);
  if (!t)
    return invalidTask(s);
  if (t->kind != Kind::DO)
    return error(s, ErrorInvalidAttributeValue, "The task has no digital output channel.", t);
  if (!autoStart && !t->started)
    return error(s, ErrWriteNeedsStart,
                 "Write cannot be performed: auto start is false and the task is not running.", t);
  if (samples < 1 || !data)
    return error(s, ErrorInvalidAttributeValue, "Nothing to write.", t);
  for (const auto& c : t->channels)
    for (const auto& l : c)
      if ((s.faults & ZVSIM_FAULT_SELECT) && !isTestOutput(l))
        return error(s, ErrorDeviceNotAccessible,
                     "Device cannot be accessed (simulated digital output failure).", t);
  const std::size_t units = byteMode ? t->channels.size() : lineCount(*t);
  for (int32 k = 0; k < samples; ++k) {
    std::size_t unit = 0;
    for (const auto& c : t->channels) {
      for (std::size_t i = 0; i < c.size(); ++i) {
        const std::size_t u = byteMode ? unit : unit + i;
        const std::size_t at = layout == Val_GroupByChannel
                                   ? u * static_cast<std::size_t>(samples) + k
                                   : static_cast<std::size_t>(k) * units + u;
        const int level = byteMode ? (data[at] >> c[i].line) & 1 : (data[at] != 0 ? 1 : 0);
        s.outputs[c[i].key()] = level;
        s.writes.emplace_back(c[i].name(), level);
      }
      unit += byteMode ? 1 : c.size();
    }
  }
  if (written)
    *written = samples;
  return 0;
}

} // namespace

extern "C" {

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxGetSysNIDAQMajorVersion(uInt32* data) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (s.faults & ZVSIM_FAULT_VERSION)
    return error(s, ErrorDeviceNotAccessible, "The driver could not be reached (simulated).");
  if (data)
    *data = 20;
  return 0;
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxGetSysNIDAQMinorVersion(uInt32* data) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (s.faults & ZVSIM_FAULT_VERSION)
    return error(s, ErrorDeviceNotAccessible, "The driver could not be reached (simulated).");
  if (data)
    *data = 1;
  return 0;
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxGetSysDevNames(char* data, uInt32 bufferSize) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  std::string list;
  if (!(s.faults & ZVSIM_FAULT_NODEVICE))
    for (const auto& d : s.devices)
      list += (list.empty() ? "" : ", ") + d.name;
  return copyText(s, list, data, bufferSize);
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxGetDevProductType(const char* device, char* data,
                                                         uInt32 bufferSize) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  const Device* d = findDevice(s, device ? device : "");
  if (!d)
    return error(s, ErrorInvalidDeviceID,
                 std::string("Device \"") + (device ? device : "") + "\" does not exist.");
  return copyText(s, productOf(s, *d), data, bufferSize);
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxGetDevSerialNum(const char* device, uInt32* data) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  const Device* d = findDevice(s, device ? device : "");
  if (!d)
    return error(s, ErrorInvalidDeviceID,
                 std::string("Device \"") + (device ? device : "") + "\" does not exist.");
  if (data)
    *data = d->serial;
  return 0;
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxCreateTask(const char* taskName, TaskHandle* taskHandle) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (!taskHandle)
    return error(s, ErrorInvalidAttributeValue, "No place for the task handle.");
  Task t;
  t.name = (taskName && *taskName) ? taskName : "_unnamedTask<" + std::to_string(s.unnamed++) + ">";
  const std::uintptr_t id = s.nextId++;
  s.tasks.emplace(id, std::move(t));
  *taskHandle = reinterpret_cast<TaskHandle>(id);
  return 0;
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxCreateAIVoltageChan(TaskHandle task,
                                                           const char* physicalChannel, const char*,
                                                           int32 terminalConfig, float64 minVal,
                                                           float64 maxVal, int32 units,
                                                           const char* customScaleName) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  Task* t = findTask(s, task);
  if (!t)
    return invalidTask(s);
  if (t->kind != Kind::Empty)
    return error(s, ErrorInvalidAttributeValue,
                 "The simulated device measures one analog channel per task.", t);
  std::string dev;
  std::string rest;
  const std::string phys = physicalChannel ? physicalChannel : "";
  int index = -1;
  if (!splitChannel(phys, dev, rest) || rest.rfind("ai", 0) != 0 || !parseNumber(rest, 2, index))
    return error(s, ErrorPhysicalChanDoesNotExist, "Physical channel \"" + phys + "\" not valid.",
                 t);
  const Device* d = findDevice(s, dev);
  if (!d)
    return error(s, ErrorInvalidDeviceID, "Device \"" + dev + "\" does not exist.", t);
  const Caps caps = capsFor(productOf(s, *d));
  const bool differential = terminalConfig == Val_Diff || terminalConfig == Val_Cfg_Default;
  if (terminalConfig != Val_Diff && terminalConfig != Val_Cfg_Default &&
      terminalConfig != Val_RSE && terminalConfig != Val_NRSE)
    return error(s, ErrorInvalidAttributeValue, "Terminal configuration not valid.", t);
  if (index >= (differential ? caps.analogInputs / 2 : caps.analogInputs))
    return error(s, ErrorPhysicalChanDoesNotExist,
                 "Physical channel \"" + phys + "\" does not exist on this device.", t);
  if (units != Val_Volts || (customScaleName && *customScaleName))
    return error(s, ErrorInvalidAttributeValue, "Only volts without a custom scale are simulated.",
                 t);
  if (!(minVal < maxVal))
    return error(s, ErrorInvalidAttributeValue, "Minimum must be below maximum.", t);
  const double needed = std::max(std::fabs(minVal), std::fabs(maxVal));
  double range = 0.0;
  for (double r : caps.ranges)
    if (r >= needed) {
      range = r;
      break;
    }
  if (range == 0.0)
    return error(s, ErrorInvalidAttributeValue,
                 "Requested input limits exceed the device's ranges.", t);
  t->kind = Kind::AI;
  t->device = d->name;
  t->aiChannel = index;
  t->range = range;
  t->tester = index <= 1 ? index : -1;
  return 0;
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxCfgSampClkTiming(TaskHandle task, const char* source,
                                                        float64 rate, int32 activeEdge,
                                                        int32 sampleMode, uInt64 sampsPerChan) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  Task* t = findTask(s, task);
  if (!t)
    return invalidTask(s);
  if (t->kind != Kind::AI)
    return error(s, ErrorInvalidAttributeValue, "Sample clock needs an analog input channel.", t);
  if (t->running)
    return error(s, ErrorInvalidAttributeValue, "The task is running.", t);
  if (s.faults & ZVSIM_FAULT_CONFIG)
    return error(s, ErrorDeviceNotAccessible,
                 "Device cannot be accessed (simulated clock failure).", t);
  if (source && *source && lower(source) != "onboardclock")
    return error(s, ErrorInvalidAttributeValue, "Only the onboard clock is simulated.", t);
  if (activeEdge != Val_Rising && activeEdge != Val_Falling)
    return error(s, ErrorInvalidAttributeValue, "Active edge not valid.", t);
  if (sampleMode != Val_ContSamps && sampleMode != Val_FiniteSamps)
    return error(s, ErrorInvalidAttributeValue, "Sample mode not valid.", t);
  const Device* d = findDevice(s, t->device);
  const Caps caps = capsFor(d ? productOf(s, *d) : "");
  if (!(rate > 0.0) || rate > caps.maxRate)
    return error(s, ErrorInvalidAttributeValue, "Requested sample rate is out of range.", t);
  // The sample clock divides the timebase by an integer; the driver picks the next faster rate.
  const double divisor = std::floor(caps.timebase / rate * (1.0 + 1e-12));
  if (divisor < 1.0 || divisor > 4294967295.0)
    return error(s, ErrorInvalidAttributeValue, "Requested sample rate is out of range.", t);
  t->rate = caps.timebase / divisor;
  t->continuous = sampleMode == Val_ContSamps;
  if (t->continuous)
    t->bufferSize =
        s.bufferOverride ? s.bufferOverride : std::max(sampsPerChan, defaultBufferSize(rate));
  else
    t->bufferSize = sampsPerChan;
  t->timed = true;
  return 0;
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxGetSampClkRate(TaskHandle task, float64* data) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  Task* t = findTask(s, task);
  if (!t)
    return invalidTask(s);
  if (!t->timed)
    return error(s, ErrorInvalidAttributeValue, "The task has no sample clock.", t);
  if (data)
    *data = t->rate;
  return 0;
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxStartTask(TaskHandle task) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  Task* t = findTask(s, task);
  if (!t)
    return invalidTask(s);
  if (t->kind != Kind::AI) {
    t->started = true;
    return 0;
  }
  if (t->running)
    return 0;
  if (!t->timed)
    return error(s, ErrorInvalidAttributeValue, "The simulated analog input needs a sample clock.",
                 t);
  if (s.faults & ZVSIM_FAULT_START)
    return error(s, ErrorDeviceNotAccessible,
                 "Device cannot be accessed (simulated start failure).", t);
  for (const auto& [id, other] : s.tasks)
    if (&other != t && other.kind == Kind::AI && other.running && other.device == t->device)
      return error(s, ErrorResourceReserved, "The analog input is reserved by another task.", t);
  if (t->tester >= 0)
    t->specimen = s.testers[t->tester].startSpecimen();
  else
    t->specimen.seed = zvsim::mix(reinterpret_cast<std::uintptr_t>(task));
  t->t0 = s.now();
  t->consumed = 0;
  t->overflow = false;
  t->running = true;
  return 0;
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxStopTask(TaskHandle task) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  Task* t = findTask(s, task);
  if (!t)
    return invalidTask(s);
  if (t->kind == Kind::AI && t->running && (s.faults & ZVSIM_FAULT_STOP))
    return error(s, ErrorDeviceNotAccessible, "Device cannot be accessed (simulated stop failure).",
                 t);
  t->running = false;
  t->started = false;
  return 0;
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxClearTask(TaskHandle task) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  auto it = s.tasks.find(reinterpret_cast<std::uintptr_t>(task));
  if (it == s.tasks.end())
    return invalidTask(s);
  s.tasks.erase(it);
  return 0;
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxReadAnalogF64(TaskHandle task, int32 numSampsPerChan,
                                                     float64 timeout, bool32, float64* readArray,
                                                     uInt32 arraySizeInSamps,
                                                     int32* sampsPerChanRead, bool32*) {
  State& s = state();
  std::unique_lock lock(s.mutex);
  int32 rc = 0;
  Task* t = taskToRead(s, task, Kind::AI, sampsPerChanRead, rc);
  if (!t)
    return rc;
  if (!t->running)
    return error(s, ErrReadNotRunning, "Read cannot be performed: the task is not running.", t);
  if (s.faults & ZVSIM_FAULT_READ)
    return error(s, ErrorDeviceNotAccessible, "Device cannot be accessed (simulated read failure).",
                 t);
  if (s.faults & ZVSIM_FAULT_OVERFLOW) {
    s.faults &= ~static_cast<uInt32>(ZVSIM_FAULT_OVERFLOW);
    t->overflow = true;
  }
  checkOverflow(s, *t);
  if (t->overflow)
    return error(s, ErrorSamplesNoLongerAvailable,
                 "Attempted to read samples that are no longer available: the application did "
                 "not keep up with the acquisition and the input buffer was overwritten.",
                 t);
  uInt64 want = 0;
  if (numSampsPerChan == Val_Auto) {
    want = std::min<uInt64>(generated(s, *t) - t->consumed, arraySizeInSamps);
  } else {
    if (numSampsPerChan < 0 || static_cast<uInt64>(numSampsPerChan) > arraySizeInSamps)
      return error(s, ErrReadArrayTooSmall,
                   "The read array is too small for the samples asked for.", t);
    want = static_cast<uInt64>(numSampsPerChan);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(std::max(0.0, timeout));
    while (generated(s, *t) - t->consumed < want) {
      if (s.virtualClock || std::chrono::steady_clock::now() >= deadline)
        return error(s, ErrorSamplesNotYetAvailable,
                     "The samples asked for did not arrive within the timeout.", t);
      lock.unlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      lock.lock();
      t = findTask(s, task);
      if (!t || !t->running)
        return error(s, ErrReadNotRunning, "The task stopped while reading.");
    }
    checkOverflow(s, *t);
    if (t->overflow)
      return error(s, ErrorSamplesNoLongerAvailable,
                   "Attempted to read samples that are no longer available.", t);
  }
  if (want > 0 && !readArray)
    return error(s, ErrReadArrayTooSmall, "No read array given.", t);
  for (uInt64 i = 0; i < want; ++i)
    readArray[i] = sampleVolts(s, *t, t->consumed + i);
  t->consumed += want;
  if (sampsPerChanRead)
    *sampsPerChanRead = static_cast<int32>(want);
  return 0;
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxCreateDOChan(TaskHandle task, const char* lines, const char*,
                                                    int32 lineGrouping) {
  return createChan(task, lines, lineGrouping, Kind::DO);
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxCreateDIChan(TaskHandle task, const char* lines, const char*,
                                                    int32 lineGrouping) {
  return createChan(task, lines, lineGrouping, Kind::DI);
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxWriteDigitalLines(TaskHandle task, int32 numSampsPerChan,
                                                         bool32 autoStart, float64,
                                                         bool32 dataLayout, const uInt8* writeArray,
                                                         int32* sampsPerChanWritten, bool32*) {
  return writeDigital(task, numSampsPerChan, autoStart, dataLayout, writeArray, sampsPerChanWritten,
                      false);
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxWriteDigitalU8(TaskHandle task, int32 numSampsPerChan,
                                                      bool32 autoStart, float64, bool32 dataLayout,
                                                      const uInt8* writeArray,
                                                      int32* sampsPerChanWritten, bool32*) {
  return writeDigital(task, numSampsPerChan, autoStart, dataLayout, writeArray, sampsPerChanWritten,
                      true);
}

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxReadDigitalLines(TaskHandle task, int32, float64, bool32,
                                                        uInt8* readArray, uInt32 arraySizeInBytes,
                                                        int32* sampsPerChanRead,
                                                        int32* numBytesPerSamp, bool32*) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  int32 rc = 0;
  Task* t = taskToRead(s, task, Kind::DI, sampsPerChanRead, rc);
  if (!t)
    return rc;
  const std::size_t n = lineCount(*t);
  if (!readArray || arraySizeInBytes < n)
    return error(s, ErrReadArrayTooSmall, "The read array is too small.", t);
  std::size_t i = 0;
  for (const auto& c : t->channels)
    for (const auto& l : c)
      readArray[i++] = static_cast<uInt8>(inputLevel(s, l));
  if (sampsPerChanRead)
    *sampsPerChanRead = 1;
  if (numBytesPerSamp)
    *numBytesPerSamp = static_cast<int32>(n);
  return 0;
}

#ifndef ZV_SIMDAQ_OMIT_READ_DIGITAL_U8
ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxReadDigitalU8(TaskHandle task, int32, float64, bool32,
                                                     uInt8* readArray, uInt32 arraySizeInSamps,
                                                     int32* sampsPerChanRead, bool32*) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  int32 rc = 0;
  Task* t = taskToRead(s, task, Kind::DI, sampsPerChanRead, rc);
  if (!t)
    return rc;
  if (!readArray || arraySizeInSamps < t->channels.size())
    return error(s, ErrReadArrayTooSmall, "The read array is too small.", t);
  std::size_t i = 0;
  for (const auto& c : t->channels) {
    uInt8 byte = 0;
    for (const auto& l : c)
      byte = static_cast<uInt8>(byte | (inputLevel(s, l) << l.line));
    readArray[i++] = byte;
  }
  if (sampsPerChanRead)
    *sampsPerChanRead = 1;
  return 0;
}
#endif

ZV_SIM_EXPORT int32 ZV_DAQMX_CALL DAQmxGetExtendedErrorInfo(char* errorString, uInt32 bufferSize) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (!errorString || bufferSize == 0)
    return static_cast<int32>(s.lastError.size() + 1);
  const std::size_t n = std::min<std::size_t>(s.lastError.size(), bufferSize - 1);
  std::memcpy(errorString, s.lastError.data(), n);
  errorString[n] = '\0';
  return 0;
}

// ---- extensions ----

ZV_SIM_EXPORT void ZvSim_Reset(void) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  s.reset();
}

ZV_SIM_EXPORT int32_t ZvSim_SetPullSpeed(int32_t tester, double newtonPerSecond) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (tester < 0 || tester > 1)
    return error(s, ErrorInvalidAttributeValue,
                 "There is no tester " + std::to_string(tester) + ".");
  if (!s.testers[tester].setPullSpeed(newtonPerSecond))
    return error(s, ErrorInvalidAttributeValue, "A pull speed must be a positive number.");
  return 0;
}

ZV_SIM_EXPORT int32_t ZvSim_SetOutputLine(int32_t tester, double voltsPerKiloNewton,
                                          double offsetVolts) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (tester < 0 || tester > 1)
    return error(s, ErrorInvalidAttributeValue,
                 "There is no tester " + std::to_string(tester) + ".");
  if (!s.testers[tester].setOutputLine(voltsPerKiloNewton, offsetVolts))
    return error(s, ErrorInvalidAttributeValue,
                 "An output line needs a finite gain other than 0 and a finite offset.");
  return 0;
}

ZV_SIM_EXPORT int32_t ZvSim_HoldForce(int32_t tester, double kiloNewton) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (tester < 0 || tester > 1)
    return error(s, ErrorInvalidAttributeValue,
                 "There is no tester " + std::to_string(tester) + ".");
  s.testers[tester].holdForce(s.now(), kiloNewton);
  return 0;
}

ZV_SIM_EXPORT void ZvSim_UseVirtualClock(int32_t on) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (on && !s.virtualClock)
    s.virtualNow = s.now();
  if (!on && s.virtualClock) {
    s.realBase = s.virtualNow;
    s.realOrigin = std::chrono::steady_clock::now();
  }
  s.virtualClock = on != 0;
}

ZV_SIM_EXPORT void ZvSim_AdvanceClock(double seconds) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (s.virtualClock && seconds > 0.0 && std::isfinite(seconds))
    s.virtualNow += seconds;
}

ZV_SIM_EXPORT void ZvSim_SetTimeScale(double factor) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (!(factor > 0.0) || !std::isfinite(factor))
    return;
  s.realBase = s.virtualClock ? s.realBase : s.now();
  s.realOrigin = std::chrono::steady_clock::now();
  s.scale = factor;
}

ZV_SIM_EXPORT double ZvSim_Now(void) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  return s.now();
}

ZV_SIM_EXPORT void ZvSim_SetSeed(int32_t tester, uint32_t seed) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (tester >= 0 && tester <= 1)
    s.testers[tester].setSeed(seed);
}

ZV_SIM_EXPORT void ZvSim_SetBreakForce(int32_t tester, double kiloNewton) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (tester >= 0 && tester <= 1)
    s.testers[tester].setBreakForce(kiloNewton);
}

ZV_SIM_EXPORT void ZvSim_SetSpikeRate(double perSample) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (perSample >= 0.0 && perSample <= 1.0)
    s.spikeRate = perSample;
}

ZV_SIM_EXPORT int32_t ZvSim_Specimen(int32_t tester, double* breakForce, double* delay,
                                     double* speed, int32_t* count) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (tester < 0 || tester > 1)
    return -1;
  const auto& sp = s.testers[tester].current();
  if (breakForce)
    *breakForce = sp.breakForce;
  if (delay)
    *delay = sp.delay;
  if (speed)
    *speed = sp.speed * 1000.0;
  if (count)
    *count = s.testers[tester].count();
  return 0;
}

ZV_SIM_EXPORT void ZvSim_ClearDevices(void) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  s.devices.clear();
}

ZV_SIM_EXPORT int32_t ZvSim_AddDevice(const char* name, const char* productType, uint32_t serial) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (!name || !*name || !productType || std::strchr(name, ',') || std::strchr(name, '/'))
    return -1;
  s.devices.push_back({name, productType, serial});
  return 0;
}

ZV_SIM_EXPORT void ZvSim_SetFaults(uint32_t mask) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  s.faults = mask;
}

ZV_SIM_EXPORT uint32_t ZvSim_Faults(void) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  return s.faults;
}

ZV_SIM_EXPORT void ZvSim_SetInputBufferSize(uint32_t samples) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  s.bufferOverride = samples;
}

ZV_SIM_EXPORT int64_t ZvSim_InputBufferSize(void) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  for (const auto& [id, t] : s.tasks)
    if (t.kind == Kind::AI && t.running)
      return static_cast<int64_t>(t.bufferSize);
  return -1;
}

ZV_SIM_EXPORT int64_t ZvSim_AvailableSamples(void) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  for (const auto& [id, t] : s.tasks)
    if (t.kind == Kind::AI && t.running)
      return static_cast<int64_t>(generated(s, t) - t.consumed);
  return -1;
}

ZV_SIM_EXPORT int32_t ZvSim_DigitalWriteCount(void) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  return static_cast<int32_t>(s.writes.size());
}

ZV_SIM_EXPORT int32_t ZvSim_DigitalWrite(int32_t index, char* line, uint32_t lineSize,
                                         int32_t* value) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (index < 0 || static_cast<std::size_t>(index) >= s.writes.size())
    return -1;
  const auto& w = s.writes[static_cast<std::size_t>(index)];
  if (line && lineSize > 0) {
    const std::size_t n = std::min<std::size_t>(w.first.size(), lineSize - 1);
    std::memcpy(line, w.first.data(), n);
    line[n] = '\0';
  }
  if (value)
    *value = w.second;
  return 0;
}

ZV_SIM_EXPORT void ZvSim_ClearDigitalWrites(void) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  s.writes.clear();
}

ZV_SIM_EXPORT int32_t ZvSim_LineLevel(const char* line) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  auto it = s.outputs.find(lower(line ? line : ""));
  return it == s.outputs.end() ? -1 : it->second;
}

ZV_SIM_EXPORT int32_t ZvSim_OpenTasks(void) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  return static_cast<int32_t>(s.tasks.size());
}

} // extern "C"

// The exports must match the prototypes the program binds to.
static_assert(std::is_same_v<decltype(&DAQmxCreateTask), CreateTaskFn>);
static_assert(std::is_same_v<decltype(&DAQmxCreateAIVoltageChan), CreateAIVoltageChanFn>);
static_assert(std::is_same_v<decltype(&DAQmxCfgSampClkTiming), CfgSampClkTimingFn>);
static_assert(std::is_same_v<decltype(&DAQmxReadAnalogF64), ReadAnalogF64Fn>);
static_assert(std::is_same_v<decltype(&DAQmxWriteDigitalLines), WriteDigitalLinesFn>);
static_assert(std::is_same_v<decltype(&DAQmxWriteDigitalU8), WriteDigitalU8Fn>);
static_assert(std::is_same_v<decltype(&DAQmxReadDigitalLines), ReadDigitalLinesFn>);
static_assert(std::is_same_v<decltype(&DAQmxGetExtendedErrorInfo), GetExtendedErrorInfoFn>);
static_assert(std::is_same_v<decltype(&DAQmxGetDevProductType), GetDevProductTypeFn>);
static_assert(std::is_same_v<decltype(&DAQmxGetSysDevNames), GetSysDevNamesFn>);
static_assert(std::is_same_v<decltype(&ZvSim_SetPullSpeed), SimSetPullSpeedFn>);
