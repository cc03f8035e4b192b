#pragma once
// The part of the NI-DAQmx C interface this program uses, declared from NI's public C reference,
// and the binding that loads the driver library at run time. No vendor header is needed: the
// library is opened with dlopen/LoadLibrary and each function is looked up by name.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#if defined(_WIN32) && !defined(_WIN64)
#define ZV_DAQMX_CALL __stdcall
#else
#define ZV_DAQMX_CALL
#endif

namespace zv::daqmx {

using int32 = std::int32_t;
using uInt8 = std::uint8_t;
using uInt32 = std::uint32_t;
using uInt64 = std::uint64_t;
using float64 = double;
using bool32 = std::uint32_t;
using TaskHandle = void*;

// Values of the driver's enumerations.
constexpr int32 Val_Cfg_Default = -1;
constexpr int32 Val_Diff = 10106;
constexpr int32 Val_RSE = 10083;
constexpr int32 Val_NRSE = 10078;
constexpr int32 Val_Volts = 10348;
constexpr int32 Val_Rising = 10280;
constexpr int32 Val_Falling = 10171;
constexpr int32 Val_ContSamps = 10123;
constexpr int32 Val_FiniteSamps = 10178;
constexpr int32 Val_ChanPerLine = 0;
constexpr int32 Val_ChanForAllLines = 1;
constexpr bool32 Val_GroupByChannel = 0;
constexpr bool32 Val_GroupByScanNumber = 1;
constexpr int32 Val_Auto = -1; // read: every sample available now

// Driver status codes the program and the simulator know by name.
constexpr int32 ErrorSamplesNoLongerAvailable = -200279; // input buffer overwritten
constexpr int32 ErrorSamplesNotYetAvailable = -200284;   // read timed out
constexpr int32 ErrorInvalidTask = -200088;
constexpr int32 ErrorInvalidDeviceID = -200220;
constexpr int32 ErrorPhysicalChanDoesNotExist = -200170;
constexpr int32 ErrorInvalidAttributeValue = -200077;
constexpr int32 ErrorBufferTooSmallForString = -200228;
constexpr int32 ErrorResourceReserved = -50103;
constexpr int32 ErrorDeviceNotAccessible = -201003;

// Prototypes of the driver functions.
using GetSysNIDAQMajorVersionFn = int32(ZV_DAQMX_CALL*)(uInt32* data);
using GetSysNIDAQMinorVersionFn = int32(ZV_DAQMX_CALL*)(uInt32* data);
using GetSysDevNamesFn = int32(ZV_DAQMX_CALL*)(char* data, uInt32 bufferSize);
using GetDevProductTypeFn = int32(ZV_DAQMX_CALL*)(const char* device, char* data,
                                                  uInt32 bufferSize);
using GetDevSerialNumFn = int32(ZV_DAQMX_CALL*)(const char* device, uInt32* data);
using CreateTaskFn = int32(ZV_DAQMX_CALL*)(const char* taskName, TaskHandle* taskHandle);
using CreateAIVoltageChanFn = int32(ZV_DAQMX_CALL*)(TaskHandle task, const char* physicalChannel,
                                                    const char* nameToAssignToChannel,
                                                    int32 terminalConfig, float64 minVal,
                                                    float64 maxVal, int32 units,
                                                    const char* customScaleName);
using CfgSampClkTimingFn = int32(ZV_DAQMX_CALL*)(TaskHandle task, const char* source, float64 rate,
                                                 int32 activeEdge, int32 sampleMode,
                                                 uInt64 sampsPerChan);
using GetSampClkRateFn = int32(ZV_DAQMX_CALL*)(TaskHandle task, float64* data);
using StartTaskFn = int32(ZV_DAQMX_CALL*)(TaskHandle task);
using StopTaskFn = int32(ZV_DAQMX_CALL*)(TaskHandle task);
using ClearTaskFn = int32(ZV_DAQMX_CALL*)(TaskHandle task);
using ReadAnalogF64Fn = int32(ZV_DAQMX_CALL*)(TaskHandle task, int32 numSampsPerChan,
                                              float64 timeout, bool32 fillMode, float64* readArray,
                                              uInt32 arraySizeInSamps, int32* sampsPerChanRead,
                                              bool32* reserved);
using CreateDOChanFn = int32(ZV_DAQMX_CALL*)(TaskHandle task, const char* lines,
                                             const char* nameToAssignToLines, int32 lineGrouping);
using CreateDIChanFn = int32(ZV_DAQMX_CALL*)(TaskHandle task, const char* lines,
                                             const char* nameToAssignToLines, int32 lineGrouping);
using WriteDigitalLinesFn = int32(ZV_DAQMX_CALL*)(TaskHandle task, int32 numSampsPerChan,
                                                  bool32 autoStart, float64 timeout,
                                                  bool32 dataLayout, const uInt8* writeArray,
                                                  int32* sampsPerChanWritten, bool32* reserved);
using WriteDigitalU8Fn = int32(ZV_DAQMX_CALL*)(TaskHandle task, int32 numSampsPerChan,
                                               bool32 autoStart, float64 timeout, bool32 dataLayout,
                                               const uInt8* writeArray, int32* sampsPerChanWritten,
                                               bool32* reserved);
using ReadDigitalLinesFn = int32(ZV_DAQMX_CALL*)(TaskHandle task, int32 numSampsPerChan,
                                                 float64 timeout, bool32 fillMode, uInt8* readArray,
                                                 uInt32 arraySizeInBytes, int32* sampsPerChanRead,
                                                 int32* numBytesPerSamp, bool32* reserved);
using ReadDigitalU8Fn = int32(ZV_DAQMX_CALL*)(TaskHandle task, int32 numSampsPerChan,
                                              float64 timeout, bool32 fillMode, uInt8* readArray,
                                              uInt32 arraySizeInSamps, int32* sampsPerChanRead,
                                              bool32* reserved);
using GetExtendedErrorInfoFn = int32(ZV_DAQMX_CALL*)(char* errorString, uInt32 bufferSize);

// Optional function of our simulator, absent from the real driver: tells a simulated tester
// (0 or 1) the pull speed in N/s of the specimen its next acquisition starts.
using SimSetPullSpeedFn = int32 (*)(int32 tester, float64 newtonPerSecond);

// Every function the program needs. A library that lacks one of them is not usable.
struct Api {
  GetSysNIDAQMajorVersionFn GetSysNIDAQMajorVersion = nullptr;
  GetSysNIDAQMinorVersionFn GetSysNIDAQMinorVersion = nullptr;
  GetSysDevNamesFn GetSysDevNames = nullptr;
  GetDevProductTypeFn GetDevProductType = nullptr;
  GetDevSerialNumFn GetDevSerialNum = nullptr;
  CreateTaskFn CreateTask = nullptr;
  CreateAIVoltageChanFn CreateAIVoltageChan = nullptr;
  CfgSampClkTimingFn CfgSampClkTiming = nullptr;
  GetSampClkRateFn GetSampClkRate = nullptr;
  StartTaskFn StartTask = nullptr;
  StopTaskFn StopTask = nullptr;
  ClearTaskFn ClearTask = nullptr;
  ReadAnalogF64Fn ReadAnalogF64 = nullptr;
  CreateDOChanFn CreateDOChan = nullptr;
  CreateDIChanFn CreateDIChan = nullptr;
  WriteDigitalLinesFn WriteDigitalLines = nullptr;
  WriteDigitalU8Fn WriteDigitalU8 = nullptr;
  ReadDigitalLinesFn ReadDigitalLines = nullptr;
  ReadDigitalU8Fn ReadDigitalU8 = nullptr;
  GetExtendedErrorInfoFn GetExtendedErrorInfo = nullptr;

  // Optional: present only in the simulator.
  SimSetPullSpeedFn SimSetPullSpeed = nullptr;
};

// An opened driver library. Closing happens when the object goes away.
class Library {
public:
  Library() = default;
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // Tries the candidates in order and keeps the first one that opens and exports every
  // required function. false when none did; error() then says why (one line per candidate).
  bool load(const std::vector<std::string>& candidates);
  void unload();

  bool loaded() const { return handle_ != nullptr; }
  const Api& api() const { return api_; }
  // The candidate that was loaded, or "".
  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }

private:
  void* handle_ = nullptr;
  Api api_{};
  std::string path_;
  std::string error_;
};

// The library names of the NI-DAQmx driver on this system, in the order they are tried.
std::vector<std::string> defaultLibraryNames();

// File name of our simulator library on this system ("libzarvik_simdaq.so" on Linux).
std::string simulatorLibraryFileName();
// Where the simulator is installed: beside the program's executable.
std::filesystem::path simulatorLibraryPath(const std::filesystem::path& executableDirectory);
// true when an argument (not the program's own path) contains SIMULATE, in any case.
bool commandLineAsksForSimulator(int argc, const char* const* argv);

// Which libraries to try: an explicit path (the simulator, chosen on the command line) wins;
// otherwise a non-empty environment value (ZARVIK_DAQMX_LIBRARY) names the library; otherwise
// the driver's default names.
std::vector<std::string> libraryCandidates(const std::string& explicitPath,
                                           const char* environmentValue);
// The same, reading ZARVIK_DAQMX_LIBRARY from the environment.
std::vector<std::string> libraryCandidates(const std::string& explicitPath);

constexpr const char* LibraryEnvironmentVariable = "ZARVIK_DAQMX_LIBRARY";

} // namespace zv::daqmx
