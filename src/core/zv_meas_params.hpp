#pragma once
// The measurement and acquisition parameters: one record, built-in values, and the limits
// that the configuration loader and the setup dialogs apply. Every limited field carries its
// limits in a member named after it with the suffix "Limit".
#include <array>
#include <cstdint>
#include <string>

namespace zv {

template <class T> struct Limit {
  T lo;
  T hi;
};

// Text field sizes in bytes, terminating NUL included (a field holds size - 1 bytes).
namespace measfield {
constexpr std::size_t UnitPress = 20;
constexpr std::size_t DaqVersionText = 20;
constexpr std::size_t ProductType = 80;
constexpr std::size_t DeviceName = 20;
} // namespace measfield

struct MeasParams {
  // Bond tension display conversion.
  double offset_press = 0.0;
  double gain_press = 1.0;
  std::string unit_press = "[kN/mm2]";

  // DAQ driver version: major in the high 16 bits, minor in the low 16 bits.
  int daqVersion = 0;
  std::string daqVersionText = "---";

  // Measuring channel: 0 = tester 1 on ai0, 1 = tester 2 on ai1.
  int hardChn = 0;
  Limit<int> hardChnLimit{0, 1};

  int daqErrorState = 0;
  int daqEnabled = 1;

  // Working fields of the piston calibration.
  int calSelection = 0;
  int calChannel = -1;
  double calMeanVoltage = 0.0;
  int calStatus = -1;

  // Legacy status words; the DAQ detection sets the fourth to 1.
  std::array<std::int16_t, 4> statusWords{0, 0, 0, 0};

  // Trigger and pull-off detection.
  double startProzent = 50.0;
  Limit<double> startProzentLimit{0.0, 500.0};
  double startTime = 0.5;
  Limit<double> startTimeLimit{0.0, 10.0};
  double stopTime = 1.0;
  Limit<double> stopTimeLimit{0.0, 10.0};
  double stopProzent = 10.0;
  Limit<double> stopProzentLimit{-100.0, 100.0};
  double startThreshold = 0.0; // kN/s, derived
  double stopThreshold = 0.0;  // kN/s, derived
  double dPostTrigTime = 0.2;
  Limit<double> dPostTrigTimeLimit{0.0, 10.0};
  int postTrigPoints = 0; // derived
  double dTrigDiffTime = 0.5;
  Limit<double> dTrigDiffTimeLimit{0.0, 10.0};
  int trigDiffPoints = 0; // derived

  int remoteEnable = 1;
  int seriesFlag = 0;

  int sampleRate = 100;
  Limit<int> sampleRateLimit{1, 1000};
  double dSampleRateActual = 1.0;
  int average = 10;
  Limit<int> averageLimit{1, 100};
  // Carried and clamped only; its upper limit follows gphPoints.
  int blockCount = 10;
  Limit<int> blockCountLimit{10, 10000};
  int gphPoints = 10000;
  Limit<int> gphPointsLimit{400, 10000};
  double dPollTime = 0.5;
  Limit<double> dPollTimeLimit{0.1, 2.0};
  double dStartPulseDelay = 1.0;
  Limit<double> dStartPulseDelayLimit{0.0, 100.0};
  double dStopPulseDelay = 1.0;
  Limit<double> dStopPulseDelayLimit{0.0, 100.0};

  std::int16_t deviceNumber = 1;

  // Offset suppression.
  int forcLimitEnable = 0;
  double forcLimitRelVal = 10.0;
  double forceLimit = 0.0; // kN, derived

  // Serial number of the acquisition device (the driver's 32-bit value, bit for bit).
  int serialNumber = 0;
  int calcMode = 0;
  Limit<int> calcModeLimit{0, 1};

  // Spike filter.
  int nSpikeNum = 3;
  Limit<int> nSpikeNumLimit{1, 100};
  double dSpikeLim = 1.0;
  Limit<double> dSpikeLimLimit{0.0, 1000.0};

  std::string productType = "--";
  std::string deviceName;
};

// Puts every field, limits included, back to its built-in value.
void setMeasParamsDefaults(MeasParams& mp);

// Clamps every limited field into its limits; returns 0, or -1 without a record.
// A value that is not a number takes the field's built-in value.
int checkMeasParams(MeasParams* mp);

} // namespace zv
