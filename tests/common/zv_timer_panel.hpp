#pragma once
// The measurement panel without a window: remembers the timer it was asked for, draws nothing.
#include "program/zv_meas_control.hpp"

namespace zv::test {

class TimerPanel final : public MeasPanelPort {
public:
  bool on = false;
  double interval = 0.0;
  void setMeasTimer(bool enabled, double seconds) override {
    on = enabled;
    interval = seconds;
  }
  void setGraphSpans(double, double) override {}
  void showMeasCurve(const Measurement&, double) override {}
  void placeTriggerCursor(int) override {}
};

} // namespace zv::test
