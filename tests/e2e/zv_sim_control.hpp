#pragma once
// The simulator's test functions, looked up by name in the library the program loads. Loading
// the same path again gives the same instance, so this drives what the program reads.
#include <dlfcn.h>

#include "zv_simdaq.h"

namespace zv::test {

struct SimControl {
  void* handle = nullptr;
  decltype(&ZvSim_Reset) reset = nullptr;
  decltype(&ZvSim_UseVirtualClock) useVirtualClock = nullptr;
  decltype(&ZvSim_AdvanceClock) advance = nullptr;
  decltype(&ZvSim_SetSeed) setSeed = nullptr;
  decltype(&ZvSim_SetBreakForce) setBreakForce = nullptr;
  decltype(&ZvSim_Specimen) specimen = nullptr;
  decltype(&ZvSim_AvailableSamples) availableSamples = nullptr;
  decltype(&ZvSim_SetFaults) setFaults = nullptr;

  explicit SimControl(const char* path) {
    handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
      return;
    get(reset, "ZvSim_Reset");
    get(useVirtualClock, "ZvSim_UseVirtualClock");
    get(advance, "ZvSim_AdvanceClock");
    get(setSeed, "ZvSim_SetSeed");
    get(setBreakForce, "ZvSim_SetBreakForce");
    get(specimen, "ZvSim_Specimen");
    get(availableSamples, "ZvSim_AvailableSamples");
    get(setFaults, "ZvSim_SetFaults");
  }
  ~SimControl() {
    if (handle)
      dlclose(handle);
  }
  SimControl(const SimControl&) = delete;
  SimControl& operator=(const SimControl&) = delete;

  bool ok() const { return handle && complete_; }

  // Break force and number of the tester's current specimen.
  double breakForce(int tester, int* count = nullptr) const {
    double force = 0.0;
    specimen(tester, &force, nullptr, nullptr, count);
    return force;
  }

private:
  template <class Fn> void get(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(dlsym(handle, name));
    complete_ = complete_ && fn;
  }
  bool complete_ = true;
};

} // namespace zv::test
