#pragma once
// A fresh program-side DAQ (MeasParams, error log, scripted UI, log window) bound to the
// simulated acquisition box, plus direct access to the simulator's test functions. The fixture
// keeps the simulator loaded itself, so its state is the one the binding under test sees.
#include <dlfcn.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_testdir.hpp"
#include "core/zv_measparams.hpp"
#include "daq/zv_daq_init.hpp"
#include "zv_simdaq.h"

namespace zv::test {

// The simulator's extension functions, looked up by name as the program does.
struct SimControl {
  void* handle = nullptr;
  decltype(&ZvSim_Reset) reset = nullptr;
  decltype(&ZvSim_SetPullSpeed) setPullSpeed = nullptr;
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
    handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
      return;
    get(reset, "ZvSim_Reset");
    get(setPullSpeed, "ZvSim_SetPullSpeed");
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
      dlclose(handle);
  }
  SimControl(const SimControl&) = delete;
  SimControl& operator=(const SimControl&) = delete;

  template <class Fn> void get(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(dlsym(handle, name));
    if (!fn)
      ADD_FAILURE() << "simulator lacks " << name;
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
};

class SimDaqTest : public ::testing::Test {
protected:
  SimControl sim{ZV_SIMDAQ_PATH};
  TestDir dir;
  FakeClock clock;
  ErrorLog errorLog{clock, dir.path()};
  ScriptedUi ui;
  RecordingLog log;
  Reporter reporter{errorLog, ui};
  Language lang;
  MeasParams mp;
  Daq daq{mp, reporter, lang};

  void SetUp() override {
    ASSERT_NE(nullptr, sim.handle) << dlerror();
    sim.reset();
    sim.setFaults(0);
    sim.useVirtualClock(1);
    reporter.setLogTarget(&log);
    daq.setLibraryCandidates({ZV_SIMDAQ_PATH});
  }

  std::string errorLogText() const {
    std::ifstream in(errorLog.path(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Records of the error log that carry the code, one string each.
  std::vector<std::string> errorRecords(int code) const {
    std::vector<std::string> out;
    std::istringstream in(errorLogText());
    std::string line;
    const std::string tag = "\t" + std::to_string(code) + "\t";
    while (std::getline(in, line))
      if (line.find(tag) != std::string::npos)
        out.push_back(line);
    return out;
  }
};

} // namespace zv::test
