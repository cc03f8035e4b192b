#pragma once
// Piston calibration: the two-point calibration of a tester's pistons, without the window.
//
// A session is opened for one tester channel. It reads that tester's output live (100 Hz,
// read once a second by the dialog's timer) while the channel-select lines point at it, and
// edits the piston records of the tester's device directly. The device as it was when the
// session opened is kept: OK keeps the edits, Abort and the close box put the device back.
//
// A point is set by typing its force and voltage, or by taking the mean voltage of the last
// live read ("Calibrate 1/2"). A point whose force and voltage are both set counts as locked
// ("Blocking"); it refuses input until its lock is switched off, which clears both.
//
// Where the classic dialog could store a wrong voltage, the session refuses instead:
//   - Calibrate waits for a reading of this session's own live signal on the current piston
//     and input range, so a failed start or a range switch never stores an old voltage.
//   - Calibrate refuses a voltage equal to the other point's, to the millivolt the device file
//     keeps: that gives no line.
// A line from typed values or a file that is unusable (same voltage or same force) is shown
// as "----"; a measurement on it is refused.
#include <array>
#include <string>
#include <vector>

#include "core/zv_meas_params.hpp"
#include "daq/zv_daq.hpp"
#include "platform/zv_clock.hpp"
#include "storage/zv_devicefile.hpp"
#include "support/zv_message.hpp"
#include "support/zv_texts.hpp"

namespace zv {

// Result codes of the session's operations.
constexpr int CalibOk = 0;
enum CalibrationCode : int {
  CalibRefused = -1,     // closed session, running measurement or a bad value
  CalibStartFailed = -2, // the live signal could not be started
  CalibNoPiston = -3,    // the device has no piston to calibrate
  CalibNoReading = -4,   // no live reading yet for this piston and input range
  CalibLocked = -5,      // the point's lock refused it (logged)
  CalibSameVoltage = -6, // both points would have the same voltage (popup)
  CalibNoDevice = -55,   // no tester device for the channel (logged)
};

// The analog input ranges the dialog offers, in volts, largest first.
inline constexpr std::array<double, 7> CalibInputRanges{10.0, 5.0, 2.0, 1.0, 0.5, 0.2, 0.1};
// The live signal's sampling rate.
constexpr int CalibSampleRate = 100;

enum class CalField { Force1, Volts1, Force2, Volts2 };

// "%d.%b %Y" of a calibration date in local time, with the month's abbreviation in the
// language; "--------" for 0 (never calibrated).
std::string calibrationDateText(std::int32_t calDate, const Language& lang);

// A piston's calibration line in a few words: "Offset -0.1250 kN  Gain 1.2500 kN/V", with
// "----" for a line that cannot measure.
std::string calibrationLineText(const PistonRange& piston, const Language& lang);

struct CalibrationContext {
  TesterDevices& devices;
  Daq& daq;
  MeasParams& params;
  Reporter& reporter;
  const Language& lang;
  const Clock& clock;
  const bool& measuring;
};

class CalibrationSession {
public:
  struct Captions {
    std::string title; // program title, " - ", the dialog's own
    const char* selection;
    const char* points;
    const char* result;
    const char* channel;
    const char* device;
    const char* piston;
    const char* range;
    const char* date;
    const char* force1;
    const char* volts1;
    const char* force2;
    const char* volts2;
    const char* blocking;
    const char* calibrate1;
    const char* calibrate2;
    const char* offset;
    const char* gain;
    const char* liveForce;
    const char* liveVolts;
    const char* overflow;
    const char* measLed;
    const char* daq;
    const char* abort;
  };

  // Everything the dialog shows, as texts where the format matters.
  struct View {
    std::string channel; // 1-based, as the user counts testers
    std::string deviceName;
    std::vector<std::string> pistons; // "%8.3f"
    int piston = -1;
    std::vector<std::string> ranges; // "%.3f" of CalibInputRanges
    int range = -1;                  // -1: the piston's input range is none of them
    std::string date;
    double force1 = 0.0;
    double volts1 = 0.0;
    double force2 = 0.0;
    double volts2 = 0.0;
    bool lock1 = false;
    bool lock2 = false;
    std::string offset; // "----" for a line that cannot measure
    std::string gain;
    std::string liveForce; // empty until a reading
    std::string liveVolts;
    bool overflowLed = false;
    bool measLed = false;
    std::string status; // the acquisition's state, or why there is no live signal
    bool calibrate1Enabled = false;
    bool calibrate2Enabled = false;
    bool resultsEnabled = false; // offset, gain, live values and lamps
    bool editable = false;       // piston range, the four values and the locks
    const char* okLabel = "";    // "Close" while unchanged, "OK" once changed
    bool abortVisible = false;
  };

  explicit CalibrationSession(CalibrationContext context);
  // A session still open ends like Abort.
  ~CalibrationSession();
  CalibrationSession(const CalibrationSession&) = delete;
  CalibrationSession& operator=(const CalibrationSession&) = delete;

  // Opens the session for a channel (0 = tester 1, 1 = tester 2) on the piston last
  // calibrated and starts the live signal. CalibOk, or CalibNoDevice (logged); a live signal
  // that cannot start leaves the session usable for typed values.
  int open(int channel);
  // Another piston: its values, and the live signal afresh. CalibNoPiston (logged) when the
  // device has none.
  int selectPiston(int index);
  // A typed value of a point.
  int setValue(CalField field, double value);
  // Switches the lock of point 1 or 2.
  int setLock(int point, bool on);
  // "Calibrate 1/2": the mean voltage of the last live read becomes the point's voltage.
  int calibrate(int point);
  // Another input range for the piston, after the question; confirmed, the piston is
  // uncalibrated and the live signal restarts on the new range. CalibOk, 1 when the operator
  // kept the old range, CalibRefused for a range not offered.
  int changeInputRange(double volts);
  // The dialog's timer, once a second: reads the live signal.
  void tick();
  // OK keeps the edits; Abort puts the device back as it was at opening. Both stop the live
  // signal and give the channel-select lines back to the measuring channel.
  void ok();
  void abort();

  bool isOpen() const { return open_; }
  bool changed() const { return changed_; }
  // The live signal runs (the dialog's timer should too).
  bool live() const { return live_; }
  bool hasReading() const { return haveReading_; }
  double meanVolts() const { return params_.calMeanVoltage; }
  int samplesPerSecond() const { return samplesPerSecond_; }
  int channel() const { return channel_; }
  TesterDevice* device() { return device_; }
  PistonRange* piston();
  const PistonRange* piston() const;

  Captions captions() const;
  View view() const;

private:
  bool editableNow() const;
  int startLive();
  void stopLive();
  void giveBackSelectLines();
  void forgetReading();
  bool locked(int point) const;
  void updateChanged();
  void logLine(const TextPair& text);

  TesterDevices& devices_;
  Daq& daq_;
  MeasParams& params_;
  Reporter& reporter_;
  const Language& lang_;
  const Clock& clock_;
  const bool& measuring_;

  bool open_ = false;
  int channel_ = -1;
  TesterDevice* device_ = nullptr;
  TesterDevice backup_;
  std::string openingImage_;
  std::uint16_t openingChecksum_ = 0;
  bool changed_ = false;
  bool selectSwitched_ = false;

  bool live_ = false;
  int samplesPerSecond_ = 0;
  bool haveReading_ = false;
  bool readFailed_ = false;
  bool measLed_ = false;
  bool overflowLed_ = false;
};

} // namespace zv
