#pragma once
// Measuring: the parameters, the acquisition box, the two testers, and the pull-off processor
// with the running measurement (the flows are in program/zv_meas_control.hpp).
#include "core/zv_calculate.hpp"
#include "core/zv_dataset.hpp"
#include "core/zv_meas_params.hpp"
#include "daq/zv_daq.hpp"
#include "daq/zv_pulloff_processor.hpp"
#include "program/zv_program_environment.hpp"
#include "storage/zv_devicefile.hpp"

namespace zv {

class MeasPanelPort;

class Measuring {
public:
  // The data set whose slots the measurements fill; it takes its lists from the tester shown
  // and its bond tension factors from the parameters.
  Measuring(ProgramEnvironment& env, DataSetModel& model);
  Measuring(const Measuring&) = delete;
  Measuring& operator=(const Measuring&) = delete;

  MeasParams params;
  Daq daq;
  // The two tester devices (channel 0 and 1). A device without a file starts its file dialogs
  // in the executable's directory.
  TesterDevices devices;
  DaqAcquisition acquisition{daq};
  DeviceTesterLookup<TesterDevices> testers{devices};
  PullOffProcessor processor;
  MeasPanelPort* panel = nullptr; // the measurement window, once it exists
  bool tickRunning = false;       // a timer tick is being handled

private:
  // The bond tension factors are the parameters' offset and gain.
  class BondFactors final : public BondTensionSource {
  public:
    explicit BondFactors(const MeasParams& params) : params_(params) {}
    BondTensionFactors bondTensionFactors() const override {
      return {params_.offset_press, params_.gain_press};
    }

  private:
    const MeasParams& params_;
  };
  BondFactors bondFactors_{params};
};

} // namespace zv
