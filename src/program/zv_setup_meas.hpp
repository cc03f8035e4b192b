#pragma once
// What the two setup dialogs of the measurement change: Setup > Measurement Parameters and
// Setup > Bond Tension Calculation. The dialogs show and collect the values; these functions
// decide what may be edited and apply an OK.
#include <string>

#include "program/zv_program.hpp"

namespace zv {

// The fields of the measurement parameter dialog.
struct MeasSetupValues {
  int channel = 0;
  int sampleRate = 0;
  int average = 0;
  int gphPoints = 0;
  int nSpikeNum = 0;
  double dTrigDiffTime = 0.0;
  double dSpikeLim = 0.0;
  double dPostTrigTime = 0.0;
  double startProzent = 0.0;
  double startTime = 0.0;
  double stopProzent = 0.0;
  double stopTime = 0.0;
  bool forcLimitEnable = false;
  double forcLimitRelVal = 0.0;
};
MeasSetupValues measSetupValues(const MeasParams& mp);

// Which fields can be changed. The acquisition settings only in setup mode and never while a
// measurement runs; the spike limit and the tracking time in setup mode; the channel while no
// measurement runs; the trigger and pull-off rules always.
struct MeasSetupEditable {
  bool channel = false;
  bool acquisition = false; // sample rate, average, curve length, spike depth, trigger distance
  bool spikeLimit = false;
  bool tracking = false;
  bool detection = true; // percentages, durations and the offset suppression
};
MeasSetupEditable measSetupEditable(bool programMode, bool measuring);

// OK: the channel goes to the acquisition box, every other field into the parameters (each
// kept inside its limits), and the derived thresholds follow at once.
void applyMeasSetup(Program& p, const MeasSetupValues& values);

// The fields of the bond tension dialog.
struct UnitsSetupValues {
  double offset = 0.0;
  double gain = 1.0;
  std::string unit; // Latin-1, at most 19 bytes are kept
};
UnitsSetupValues unitsSetupValues(const MeasParams& mp);
// OK: stores the three values; the tables show the bond tensions anew.
void applyUnitsSetup(Program& p, const UnitsSetupValues& values);

} // namespace zv
