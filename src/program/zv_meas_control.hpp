#pragma once
// Measurement control: the operator's Start and Stop, the question before measurements are
// overwritten, the timer that drives the processor, and the series that files pull-off after
// pull-off into the next slots of a storage until Stop.
#include <cstdint>
#include <string>

#include "program/zv_program.hpp"

namespace zv {

// What the measurement window does for the control.
class MeasPanelPort {
public:
  virtual ~MeasPanelPort() = default;
  // The measurement timer: running at the interval, or stopped.
  virtual void setMeasTimer(bool enabled, double intervalSeconds) = 0;
  // The axes for a run that starts: 0 .. timeSpan s and 0 .. forceSpan kN.
  virtual void setGraphSpans(double timeSpan, double forceSpan) = 0;
  // Draws the curve of a measurement, with its force and point count; the curve's first point
  // lies at timeOffset seconds.
  virtual void showMeasCurve(const Measurement& measurement, double timeOffset) = 0;
  // Puts the graph cursor on a point of the curve shown.
  virtual void placeTriggerCursor(int pointIndex) = 0;
};

// Result codes.
enum MeasControlCode : int {
  MeasCtlNoRunning = -2100,
  MeasCtlNoStorage = -2101,
  MeasCtlCannotGrow = -2102,
  MeasCtlNoNext = -2103,
  MeasCtlNoDataSet = -2111,
  MeasCtlNoMeasurement = -2112,
  MeasCtlNoStorageAtStart = -2113,
  MeasCtlSlotMissing = -2114,
  MeasCtlNoFreeSlot = -2118,
  MeasCtlNoLastSlot = -2119,
  MeasCtlCannotAppend = -2120,
  MeasCtlCancelled = -1,
};
constexpr int MeasCtlRefused = 1;

// The overwrite question's buttons.
constexpr int OverwriteAll = 0;
constexpr int NextFreeIndex = 1;
constexpr int AbortStart = 2;

// Starts a series on the current selection. 0 started, MeasCtlRefused while a measurement
// runs, MeasCtlCancelled when the operator aborted the overwrite question, otherwise the
// failure (reported).
int startMeasuring(Program& p);
// Stops the series; a run stopped before its trigger gives its slot back as it was. 0.
int stopMeasuring(Program& p);
// A run finished (tracking time over): writes its result and starts the next slot of the
// series unless Stop was pressed. 0.
int endOfMeasuring(Program& p);
// Moves the running measurement to the next slot of its storage, appending one when needed.
int nextMeasIndex(Program& p);
// The measurement timer's tick (cbMeaState).
void measTimerTick(Program& p);
// Start/Stop toggle of the measurement window (cbCtlMeasStartStop): on = start, off = stop.
int measStartStopToggle(Program& p, bool on);

// True while a measurement runs, after telling the operator to stop it first.
bool checkMeasuring(Program& p);

// The status text of a measurement in the current language.
const char* measStatusText(const Program& p, std::int32_t status);

// The question asked before a start overwrites used slots, in the current language; first
// and last used are 0-based slot indices.
struct OverwriteQuestion {
  std::string title;
  std::string text;
  std::vector<std::string> buttons;
};
OverwriteQuestion overwriteQuestion(const Language& lang, int firstUsed, int lastUsed);

} // namespace zv
