#include "daq/zv_nidaq_api.hpp"

#include <cctype>
#include <cstdlib>
#include <string_view>

#include "platform/zv_shared_library.hpp"

namespace zv::daqmx {

namespace {

// Resolves one function; records the first missing name.
template <class Fn> bool bind(void* handle, Fn& slot, const char* name, std::string& missing) {
  slot = reinterpret_cast<Fn>(sharedLibrarySymbol(handle, name));
  if (!slot && missing.empty())
    missing = name;
  return slot != nullptr;
}

bool bindAll(void* h, Api& a, std::string& missing) {
  bool ok = true;
  ok &= bind(h, a.GetSysNIDAQMajorVersion, "DAQmxGetSysNIDAQMajorVersion", missing);
  ok &= bind(h, a.GetSysNIDAQMinorVersion, "DAQmxGetSysNIDAQMinorVersion", missing);
  ok &= bind(h, a.GetSysDevNames, "DAQmxGetSysDevNames", missing);
  ok &= bind(h, a.GetDevProductType, "DAQmxGetDevProductType", missing);
  ok &= bind(h, a.GetDevSerialNum, "DAQmxGetDevSerialNum", missing);
  ok &= bind(h, a.CreateTask, "DAQmxCreateTask", missing);
  ok &= bind(h, a.CreateAIVoltageChan, "DAQmxCreateAIVoltageChan", missing);
  ok &= bind(h, a.CfgSampClkTiming, "DAQmxCfgSampClkTiming", missing);
  ok &= bind(h, a.GetSampClkRate, "DAQmxGetSampClkRate", missing);
  ok &= bind(h, a.StartTask, "DAQmxStartTask", missing);
  ok &= bind(h, a.StopTask, "DAQmxStopTask", missing);
  ok &= bind(h, a.ClearTask, "DAQmxClearTask", missing);
  ok &= bind(h, a.ReadAnalogF64, "DAQmxReadAnalogF64", missing);
  ok &= bind(h, a.CreateDOChan, "DAQmxCreateDOChan", missing);
  ok &= bind(h, a.CreateDIChan, "DAQmxCreateDIChan", missing);
  ok &= bind(h, a.WriteDigitalLines, "DAQmxWriteDigitalLines", missing);
  ok &= bind(h, a.WriteDigitalU8, "DAQmxWriteDigitalU8", missing);
  ok &= bind(h, a.ReadDigitalLines, "DAQmxReadDigitalLines", missing);
  ok &= bind(h, a.ReadDigitalU8, "DAQmxReadDigitalU8", missing);
  ok &= bind(h, a.GetExtendedErrorInfo, "DAQmxGetExtendedErrorInfo", missing);
  // Optional extension; its absence is normal.
  a.SimSetPullSpeed =
      reinterpret_cast<SimSetPullSpeedFn>(sharedLibrarySymbol(h, "ZvSim_SetPullSpeed"));
  return ok;
}

} // namespace

Library::~Library() {
  unload();
}

void Library::unload() {
  if (handle_)
    closeSharedLibrary(handle_);
  handle_ = nullptr;
  api_ = Api{};
  path_.clear();
}

bool Library::load(const std::vector<std::string>& candidates) {
  unload();
  error_.clear();
  if (candidates.empty())
    error_ = "no driver library named";
  for (const auto& name : candidates) {
    std::string why;
    void* h = openSharedLibrary(name, why);
    if (!h) {
      error_ += (error_.empty() ? "" : "\n") + why;
      continue;
    }
    Api api{};
    std::string missing;
    if (!bindAll(h, api, missing)) {
      error_ += (error_.empty() ? "" : "\n") + name + ": function " + missing + " not found";
      closeSharedLibrary(h);
      continue;
    }
    handle_ = h;
    api_ = api;
    path_ = name;
    error_.clear();
    return true;
  }
  return false;
}

std::vector<std::string> defaultLibraryNames() {
#if defined(_WIN32)
  return {"nicaiu.dll"};
#elif defined(__APPLE__)
  return {"libnidaqmx.dylib"};
#else
  return {"libnidaqmx.so.1", "libnidaqmx.so"};
#endif
}

std::string simulatorLibraryFileName() {
#if defined(_WIN32)
  return "zarvik_simdaq.dll";
#elif defined(__APPLE__)
  return "libzarvik_simdaq.so"; // CMake MODULE libraries keep .so on macOS
#else
  return "libzarvik_simdaq.so";
#endif
}

std::filesystem::path simulatorLibraryPath(const std::filesystem::path& executableDirectory) {
  return executableDirectory / simulatorLibraryFileName();
}

bool commandLineAsksForSimulator(int argc, const char* const* argv) {
  constexpr std::string_view word = "SIMULATE";
  for (int i = 1; argv && i < argc; ++i) { // the program's own path does not count
    if (!argv[i])
      continue;
    std::string upper = argv[i];
    for (auto& c : upper)
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.find(word) != std::string::npos)
      return true;
  }
  return false;
}

std::vector<std::string> libraryCandidates(const std::string& explicitPath,
                                           const char* environmentValue) {
  if (!explicitPath.empty())
    return {explicitPath};
  if (environmentValue && *environmentValue)
    return {environmentValue};
  return defaultLibraryNames();
}

std::vector<std::string> libraryCandidates(const std::string& explicitPath) {
  return libraryCandidates(explicitPath, std::getenv(LibraryEnvironmentVariable));
}

} // namespace zv::daqmx
