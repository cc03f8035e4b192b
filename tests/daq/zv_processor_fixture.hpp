#pragma once
// A data set with a processor wired to scripted ports.
#include <gtest/gtest.h>

#include <vector>

#include "common/zv_fake_ui.hpp"
#include "common/zv_fakes.hpp"
#include "common/zv_meas_fakes.hpp"
#include "common/zv_reporting.hpp"
#include "common/zv_testdir.hpp"
#include "core/zv_dataset.hpp"
#include "core/zv_meas_params.hpp"
#include "daq/zv_pulloff_processor.hpp"

namespace zv::test {

struct ProcessorFixture : ::testing::Test, Reporting {
  DataSetModel model{reporter, lang};
  MeasParams params;
  ScriptedAcquisition acq;
  FakeTesters testers;
  PullOffProcessor proc{params, model, acq, testers, reporter, lang};
  RunTick lastTick;      // what the last tick brought
  bool finished = false; // a tick finished the run

  ProcessorFixture() {
    for (auto& list : testers.pistons)
      for (int i = 0; i < list.count(); ++i)
        calibrate(*list.piston(i));
    model.initDefaults();
    model.createDataSet();
    model.addSamples(2);
    model.addStorages(2);
    model.renumber();
    proc.setRunning({0, 0, 0});
    // Plain settings that make the arithmetic easy to follow: 64 Hz, no averaging.
    acq.actualRate = 64.0;
    params.sampleRate = 64;
    params.average = 1;
    params.nSpikeNum = 3;
    params.gphPoints = 400;
    params.dTrigDiffTime = 0.25;  // 16 points, slope base 0.25 s
    params.startTime = 0.125;     // 8 points
    params.stopTime = 0.25;       // 16 points
    params.dPostTrigTime = 0.125; // 8 points
    params.startProzent = 50.0;   // 0.5 kN/s at 1000 N/s
    params.stopProzent = 25.0;    // 0.25 kN/s
  }

  Measurement& meas(int s = 0, int t = 0, int m = 0) { return *model.measurementAt(s, t, m); }
  StorageCondition& storage(int s = 0, int t = 0) { return *model.storageAt(s, t); }

  void setSpeed(double speed) {
    for (auto& sample : model.dataSet()->samples)
      for (auto& st : sample.storages)
        st.speed = speed;
  }

  // Feeds samples as one read and processes them.
  void tick(std::vector<double> samples) {
    acq.blocks.push_back(std::move(samples));
    lastTick = proc.measTick();
    finished = finished || lastTick.finished;
  }

  static std::vector<double> constant(int n, double v) { return std::vector<double>(n, v); }
  // n samples rising by step from start (the first sample is start + step).
  static std::vector<double> ramp(int n, double start, double step) {
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i)
      v[i] = start + (i + 1) * step;
    return v;
  }
};

} // namespace zv::test
