#pragma once
// The simulator's test functions, looked up by name in the library the program loads. Loading
// the same path again gives the same instance, so this drives what the program reads.
#include <string>
#include <vector>

#include "platform/zv_shared_library.hpp"
#include "zv_simdaq.h"

namespace zv::test {

struct SimControl {
  void* handle = nullptr;
  decltype(&ZvSim_Reset) reset = nullptr;
  decltype(&ZvSim_SetPullSpeed) setPullSpeed = nullptr;
  decltype(&ZvSim_SetOutputLine) setOutputLine = nullptr;
  decltype(&ZvSim_HoldForce) holdForce = nullptr;
  decltype(&ZvSim_UseVirtualClock) useVirtualClock = nullptr;
  decltype(&ZvSim_AdvanceClock) advance = nullptr;
  decltype(&ZvSim_SetTimeScale) setTimeScale = nullptr;
  decltype(&ZvSim_SetSeed) setSeed = nullptr;
  decltype(&ZvSim_SetBreakForce) setBreakForce = nullptr;
  decltype(&ZvSim_SetSpikeRate) setSpikeRate = nullptr;
  decltype(&ZvSim_Specimen) specimen = nullptr;
  decltype(&ZvSim_ClearDevices) clearDevices = nullptr;
  decltype(&ZvSim_AddDevice) addDevice = nullptr;
  decltype(&ZvSim_SetFaults) setFaults = nullptr;
  decltype(&ZvSim_SetInputBufferSize) setInputBufferSize = nullptr;
  decltype(&ZvSim_InputBufferSize) inputBufferSize = nullptr;
  decltype(&ZvSim_AvailableSamples) availableSamples = nullptr;
  decltype(&ZvSim_DigitalWriteCount) writeCount = nullptr;
  decltype(&ZvSim_DigitalWrite) writeAt = nullptr;
  decltype(&ZvSim_ClearDigitalWrites) clearWrites = nullptr;
  decltype(&ZvSim_LineLevel) lineLevel = nullptr;
  decltype(&ZvSim_OpenTasks) openTasks = nullptr;

  explicit SimControl(const char* path) {
    handle = openSharedLibrary(path, error);
    if (!handle)
      return;
    get(reset, "ZvSim_Reset");
    get(setPullSpeed, "ZvSim_SetPullSpeed");
    get(setOutputLine, "ZvSim_SetOutputLine");
    get(holdForce, "ZvSim_HoldForce");
    get(useVirtualClock, "ZvSim_UseVirtualClock");
    get(advance, "ZvSim_AdvanceClock");
    get(setTimeScale, "ZvSim_SetTimeScale");
    get(setSeed, "ZvSim_SetSeed");
    get(setBreakForce, "ZvSim_SetBreakForce");
    get(setSpikeRate, "ZvSim_SetSpikeRate");
    get(specimen, "ZvSim_Specimen");
    get(clearDevices, "ZvSim_ClearDevices");
    get(addDevice, "ZvSim_AddDevice");
    get(setFaults, "ZvSim_SetFaults");
    get(setInputBufferSize, "ZvSim_SetInputBufferSize");
    get(inputBufferSize, "ZvSim_InputBufferSize");
    get(availableSamples, "ZvSim_AvailableSamples");
    get(writeCount, "ZvSim_DigitalWriteCount");
    get(writeAt, "ZvSim_DigitalWrite");
    get(clearWrites, "ZvSim_ClearDigitalWrites");
    get(lineLevel, "ZvSim_LineLevel");
    get(openTasks, "ZvSim_OpenTasks");
  }
  ~SimControl() {
    if (handle)
      closeSharedLibrary(handle);
  }
  SimControl(const SimControl&) = delete;
  SimControl& operator=(const SimControl&) = delete;

  // The library loaded and has every function above.
  bool ok() const { return handle && missing.empty(); }
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
