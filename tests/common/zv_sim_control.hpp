#pragma once
// The simulator's test functions, looked up by name in the library the program loads. Loading
// the same path again gives the same instance, so this drives what the program reads.
#include <string>
#include <vector>

#include "platform/zv_shared_library.hpp"
#include "zv_simdaq.h"

namespace zv::test {

// Each test function: the member that holds it and the library's name for it.
// clang-format off
#define ZV_SIM_FUNCTIONS(X) \
  X(reset, ZvSim_Reset) X(setPullSpeed, ZvSim_SetPullSpeed) X(setOutputLine, ZvSim_SetOutputLine) \
  X(holdForce, ZvSim_HoldForce) X(useVirtualClock, ZvSim_UseVirtualClock) X(advance, ZvSim_AdvanceClock) \
  X(setTimeScale, ZvSim_SetTimeScale) X(setSeed, ZvSim_SetSeed) X(setBreakForce, ZvSim_SetBreakForce) \
  X(setSpikeRate, ZvSim_SetSpikeRate) X(specimen, ZvSim_Specimen) X(clearDevices, ZvSim_ClearDevices) \
  X(addDevice, ZvSim_AddDevice) X(setFaults, ZvSim_SetFaults) X(setInputBufferSize, ZvSim_SetInputBufferSize) \
  X(inputBufferSize, ZvSim_InputBufferSize) X(availableSamples, ZvSim_AvailableSamples) X(writeCount, ZvSim_DigitalWriteCount) \
  X(writeAt, ZvSim_DigitalWrite) X(clearWrites, ZvSim_ClearDigitalWrites) X(lineLevel, ZvSim_LineLevel) \
  X(openTasks, ZvSim_OpenTasks)
// clang-format on

struct SimControl {
  void* handle = nullptr;
#define ZV_SIM_MEMBER(member, function) decltype(&function) member = nullptr;
  ZV_SIM_FUNCTIONS(ZV_SIM_MEMBER)
#undef ZV_SIM_MEMBER

  explicit SimControl(const char* path) {
    handle = openSharedLibrary(path, error);
    if (!handle)
      return;
#define ZV_SIM_GET(member, function) get(member, #function);
    ZV_SIM_FUNCTIONS(ZV_SIM_GET)
#undef ZV_SIM_GET
  }
  ~SimControl() {
    if (handle)
      closeSharedLibrary(handle);
  }
  SimControl(const SimControl&) = delete;
  SimControl& operator=(const SimControl&) = delete;

  // The library loaded and has every function above.
  bool ok() const {
    return handle && missing.empty();
  }
  // The functions the library lacks, blank-separated.
  std::string missing;
  // Why the library did not load.
  std::string error;

  // Break force and number of the tester's current specimen.
  double breakForce(int tester, int* count = nullptr) const {
    double force = 0.0;
    specimen(tester, &force, nullptr, nullptr, count);
    return force;
  }

  // Every digital write so far as "line=value".
  std::vector<std::string> writes() const {
    std::vector<std::string> out;
    for (int i = 0; i < writeCount(); ++i) {
      char line[64];
      int value = -1;
      writeAt(i, line, sizeof line, &value);
      out.push_back(std::string(line) + "=" + std::to_string(value));
    }
    return out;
  }

private:
  template <class Fn> void get(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(sharedLibrarySymbol(handle, name));
    if (!fn)
      missing += (missing.empty() ? "" : " ") + std::string(name);
  }
};

} // namespace zv::test
