#pragma once
// A fresh program-side DAQ (MeasParams, error log, scripted UI, log window) bound to the
// simulated acquisition box, plus direct access to the simulator's test functions. The fixture
// keeps the simulator loaded itself, so its state is the one the binding under test sees.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/zv_fake_ui.hpp"
#include "common/zv_reporting.hpp"
#include "common/zv_sim_control.hpp"
#include "common/zv_testdir.hpp"
#include "core/zv_meas_params.hpp"
#include "daq/zv_daq.hpp"

namespace zv::test {

class SimDaqTest : public ::testing::Test, public Reporting {
protected:
  SimControl sim{ZV_SIMDAQ_PATH};
  MeasParams mp;
  Daq daq{mp, reporter, lang};

  void SetUp() override {
    ASSERT_NE(nullptr, sim.handle) << sim.error;
    ASSERT_TRUE(sim.ok()) << "simulator lacks " << sim.missing;
    sim.reset();
    sim.setFaults(0);
    sim.useVirtualClock(1);
    daq.setLibraryCandidates({ZV_SIMDAQ_PATH});
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
