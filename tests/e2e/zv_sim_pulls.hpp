#pragma once
// Series of pulls on the simulated tester 0 through the real driver binding and the program's
// measurement control, on the virtual clock: each storage of sample 0 gets its own pull speed
// and dolly area, and every specimen breaks at the same force.

#include "common/zv_fake_ui.hpp"
#include "common/zv_sim_control.hpp"
#include "common/zv_timer_panel.hpp"
#include "program/zv_meas_control.hpp"
#include "program/zv_program.hpp"

namespace zv::test {

struct PullPlan {
  double speed; // N/s
  double area;  // mm²
};

// Prepares the program (started up, on the simulator, calibrated pistons) and a data set of one
// sample with a storage per plan; every specimen breaks at breakForce (0: as the simulator
// draws it). false when the simulator could not be bound.
inline bool prepareSimPulls(Program& p, SimControl& sim, MeasPanelPort& panel,
                            const std::vector<PullPlan>& plans, double breakForce) {
  if (!sim.ok())
    return false;
  sim.reset();
  sim.useVirtualClock(1);
  sim.setSeed(0, 4711);
  sim.setBreakForce(0, breakForce);
  p.startUp({"zarvik"});
  p.meas.daq.setLibraryCandidates({ZV_SIMDAQ_PATH});
  if (p.initAcquisition() != 0 || p.meas.params.daqErrorState != 0)
    return false;
  // The lists offer the plans' speeds and areas, or renumbering would replace them.
  for (const PullPlan& plan : plans) {
    p.meas.devices.device(0)->speeds.insert(plan.speed);
    p.meas.devices.device(0)->areas.insert(plan.area);
  }
  PistonList& pistons = p.meas.devices.device(0)->pistons;
  for (int i = 0; i < pistons.count(); ++i) // the simulator gives 1 V per kN
    pistons.piston(i)->calFlags = PistonRange::FullyCalibrated;
  p.meas.panel = &panel;
  DataSetModel& m = p.data.model;
  if (m.createDataSet() != 0)
    return false;
  m.addSamples(1);
  m.addStorages(static_cast<int>(plans.size()));
  m.renumber();
  for (std::size_t i = 0; i < plans.size(); ++i) {
    StorageCondition& t = *m.storageAt(0, static_cast<int>(i));
    t.speed = plans[i].speed;
    t.area = plans[i].area;
  }
  return true;
}

// Pulls `count` specimens into storage `storage` of sample 0; false when they did not finish
// within the given virtual time.
inline bool pullSeries(Program& p, SimControl& sim, int storage, int count, double seconds) {
  DataSet& d = *p.data.model.dataSet();
  d.currentSample = 0;
  d.currentStorage = storage;
  d.currentMeasurement = 0;
  auto valid = [&] {
    int n = 0;
    for (const Measurement& m : p.data.model.storageAt(0, storage)->measurements)
      n += m.status == 5;
    return n;
  };
  if (startMeasuring(p) != 0)
    return false;
  for (double t = 0; t < seconds && valid() < count; t += p.meas.params.dPollTime) {
    sim.advance(p.meas.params.dPollTime);
    measTimerTick(p);
  }
  stopMeasuring(p);
  // The slot the series had moved on to measured nothing.
  const int n = p.data.model.measurementCount(0, storage);
  if (n > count && p.data.model.measurementAt(0, storage, n - 1)->status == 0) {
    p.data.model.deleteMeasurement({0, storage, n - 1});
    p.data.model.renumber();
  }
  return valid() == count;
}

} // namespace zv::test
