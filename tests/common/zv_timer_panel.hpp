#pragma once
// The measurement panel without a window: records the timer it was asked for and what it was
// asked to draw.
#include <tuple>
#include <utility>
#include <vector>

#include "program/zv_meas_control.hpp"

namespace zv::test {

class TimerPanel final : public MeasPanelPort {
public:
  bool on = false; // the timer as last set
  double interval = 0.0;
  std::vector<std::pair<bool, double>> timer; // every call
  std::vector<std::pair<double, double>> spans;
  std::vector<int> drawn; // point counts of the curves drawn
  std::vector<int> cursors;
  void setMeasTimer(bool enabled, double seconds) override {
    std::tie(on, interval) = std::tuple(enabled, seconds);
    timer.emplace_back(enabled, seconds);
  }
  void setGraphSpans(double t, double f) override { spans.emplace_back(t, f); }
  void showMeasCurve(const Measurement& m, double) override { drawn.push_back(m.pointCount); }
  void placeTriggerCursor(int index) override { cursors.push_back(index); }
};

} // namespace zv::test
