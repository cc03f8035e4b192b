#include "daq/zv_calibration.hpp"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "core/zv_format.hpp"
#include "daq/zv_pulloff_processor.hpp"
#include "platform/zv_clock.hpp"
#include "platform/zv_latin1.hpp"

namespace zv {

namespace {

constexpr TextPair Title{"Setup - Calibrating Pistons", "Setup - Kalibrierung der Kolben"};
constexpr TextPair SelectionLabel{"Selection", "Auswahl"};
constexpr TextPair PointsLabel{"Calibration Points", "Kalibrierpunkte"};
constexpr TextPair ResultLabel{"Result", "Ergebis"};
constexpr TextPair ChannelLabel{"Channel", "Kanal"};
constexpr TextPair DeviceLabel{"Device", "Gerätefile"_l1};
constexpr TextPair PistonLabel{"Piston", "Kolben"};
constexpr TextPair RangeLabel{"Range", "Meßbereich"_l1};
constexpr TextPair DateLabel{"Cal. Date", "Kalibrierdatum"};
constexpr TextPair Force1Label{"Pull-Off Force-1", "Abzugskraft-1"};
constexpr TextPair Volts1Label{"Meas.-1", "Messung-1"};
constexpr TextPair Force2Label{"Pull-Off Force-2", "Abzugskraft-2"};
constexpr TextPair Volts2Label{"Meas.-2", "Messung-2"};
constexpr TextPair BlockingLabel{"Blocking", "Sperre"};
constexpr TextPair Calibrate1Label{"Calibrate 1", "Kalibriere 1"};
constexpr TextPair Calibrate2Label{"Calibrate 2", "Kalibriere 2"};
constexpr TextPair OffsetLabel{"Offset", "Offset"};
constexpr TextPair GainLabel{"Gain", "Verst."};
constexpr TextPair LiveForceLabel{"Pull-Off Force", "Abzugskraft"};
constexpr TextPair LiveVoltsLabel{"Meas.[V]", "Messung[V]"};
constexpr TextPair OverflowLabel{"Overflow", "Überlauf"_l1};
constexpr TextPair MeasLedLabel{"Meas.", "Messung"};
constexpr TextPair DaqLabel{"DAQ", "DAQ"};
constexpr TextPair OkLabel{"OK", "OK"};
constexpr TextPair CloseLabel{"Close", "Schließen"_l1};
constexpr TextPair AbortLabel{"Abort", "Abbruch"};

constexpr TextPair QuestionTitle{"Calibration of Pulloff Piston", "Kalibrierung Abzugskolben"};
constexpr TextPair QuestionText{"The calibrating data get incorrect\nat switchover of the "
                                "measurement range !",
                                "Bei Umschaltung des Meßbereichs\n werden die Kalibrierdaten "
                                "ungültig !"_l1};
constexpr TextPair SwitchButton{"Switching over measurement range", "Meßbereich umschalten"_l1};

constexpr TextPair CalibrationLocked{"Calibration only possible after remove of the blocking",
                                     "Kalibrierung erst möglich nach Entfernen der Sperre"_l1};
constexpr TextPair InputLocked{"Input only possible after remove of the blocking",
                               "Eingabe erst möglich nach Entfernen der Sperre"_l1};
constexpr TextPair SameVoltage{
    "Both calibration points would have the same voltage - they give no calibration line.\n"
    "Put the other force on the piston, wait for the reading and calibrate again.",
    "Beide Kalibrierpunkte hätten dieselbe Spannung - sie ergeben keine Kalibriergerade.\n"
    "Bitte die andere Kraft auf den Kolben geben, die Messung abwarten und erneut "
    "kalibrieren."_l1};
constexpr TextPair MeasuringStatus{"Measurement running - no live signal",
                                   "Messung läuft - kein Live-Signal"_l1};

constexpr const char* MonthsEnglish[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* MonthsGerman[12] = {"Jan", "Feb", "Mär"_l1, "Apr", "Mai", "Jun",
                                          "Jul", "Aug", "Sep",    "Okt", "Nov", "Dez"};

constexpr const char* NoLine = "----";

// calFlags bits of point 1 or 2: voltage and force.
std::int32_t pointBits(int point) {
  return point == 1 ? PistonRange::CalVolts1Set | PistonRange::CalForce1Set
                    : PistonRange::CalVolts2Set | PistonRange::CalForce2Set;
}

int pointOf(CalField f) {
  return f == CalField::Force1 || f == CalField::Volts1 ? 1 : 2;
}

} // namespace

std::string calibrationDateText(std::int32_t calDate, const Language& lang) {
  if (calDate == 0)
    return "--------";
  const std::time_t when = calDate;
  const std::tm tm = localTime(when);
  const int month = tm.tm_mon >= 0 && tm.tm_mon < 12 ? tm.tm_mon : 0;
  std::string text = formatInt(tm.tm_mday, 2);
  if (text[0] == ' ')
    text[0] = '0';
  text += '.';
  text += lang.english() ? MonthsEnglish[month] : MonthsGerman[month];
  text += ' ';
  text += formatInt(tm.tm_year + 1900);
  return text;
}

std::string calibrationLineText(const PistonRange& piston, const Language& lang) {
  const CalibrationLine line = pistonCalibrationLine(piston);
  const bool usable = line.usable();
  return std::string(lang.pick(OffsetLabel)) + " " +
         (usable ? formatFixed(line.offset, 4) + " kN  " : std::string(NoLine) + "  ") +
         lang.pick(GainLabel) + " " + (usable ? formatFixed(line.gain, 4) + " kN/V" : NoLine);
}

CalibrationSession::CalibrationSession(CalibrationContext c)
    : devices_(c.devices), daq_(c.daq), params_(c.params), reporter_(c.reporter), lang_(c.lang),
      clock_(c.clock), measuring_(c.measuring) {}

CalibrationSession::~CalibrationSession() {
  if (open_)
    abort();
}

void CalibrationSession::logLine(const TextPair& text) {
  reporter_.reportMessage(report::LogOnly, 0, "", lang_.pick(text), 0);
}

PistonRange* CalibrationSession::piston() {
  return device_ ? device_->pistons.piston(params_.calSelection) : nullptr;
}

const PistonRange* CalibrationSession::piston() const {
  return device_ ? static_cast<const TesterDevice*>(device_)->pistons.piston(params_.calSelection)
                 : nullptr;
}

int CalibrationSession::open(int channel) {
  if (open_)
    abort();
  device_ = devices_.device(channel);
  channel_ = channel;
  params_.calChannel = channel;
  if (!device_)
    return reporter_.reportMessage(report::LogOnly, 0, "", "pCalibDevice == NULL", CalibNoDevice);
  changed_ = false;
  openingImage_ = device_->image();
  openingChecksum_ = device_->checksum();
  backup_ = *device_;
  open_ = true;
  // The tester interface follows the select lines: point them at the tester calibrated.
  if (!measuring_ && params_.daqErrorState == daqstate::Ok && channel != params_.hardChn) {
    const int rc = daq_.daqSelectChannel(channel + 1);
    if (rc != daqstate::Ok)
      params_.daqErrorState = rc; // as when the measuring channel cannot be selected
    else
      selectSwitched_ = true;
  }
  selectPiston(params_.calSelection);
  return CalibOk;
}

int CalibrationSession::selectPiston(int index) {
  if (!open_)
    return CalibRefused;
  const int count = device_->pistons.count();
  params_.calSelection = count > 0 ? std::clamp(index, 0, count - 1) : 0;
  if (!piston()) {
    stopLive();
    return reporter_.reportMessage(report::LogOnly, 0, "", "pCalibRange == NULL", CalibNoPiston);
  }
  startLive();
  return CalibOk;
}

void CalibrationSession::forgetReading() {
  haveReading_ = false;
  readFailed_ = false;
  measLed_ = false;
  overflowLed_ = false;
}

int CalibrationSession::startLive() {
  stopLive();
  if (measuring_)
    return CalibRefused;
  if (params_.daqErrorState != daqstate::Ok)
    return CalibRefused;
  // daqStop reports its own failure and raises the DAQ error state.
  if (daq_.daqStop() != 0)
    return CalibRefused;
  double rate = 0.0;
  if (daq_.daqStart(channel_, piston()->rangeVolts, CalibSampleRate, rate) != 0 || !(rate > 0.0) ||
      !std::isfinite(rate)) {
    params_.calStatus = CalibStartFailed;
    return CalibStartFailed;
  }
  samplesPerSecond_ = rate < 1.0 ? 1 : static_cast<int>(rate);
  params_.calStatus = 0;
  live_ = true;
  return CalibOk;
}

void CalibrationSession::stopLive() {
  if (live_ && params_.daqErrorState == daqstate::Ok)
    daq_.daqStop();
  live_ = false;
  forgetReading();
}

void CalibrationSession::tick() {
  if (!open_ || !live_)
    return;
  const int n = daq_.daqRead();
  if (n < 0) {
    // Nothing to show; the voltage read before is not this second's any more.
    daq_.reportDaqError(MeasErrDaqRead, n);
    haveReading_ = false;
    readFailed_ = true;
    return;
  }
  if (n == 0)
    return;
  double sum = 0.0;
  for (double v : daq_.samples())
    sum += v;
  const double mean = sum / n;
  params_.calMeanVoltage = mean;
  measLed_ = !measLed_;
  overflowLed_ = mean > 0.98 * piston()->rangeVolts;
  haveReading_ = true;
  readFailed_ = false;
}

bool CalibrationSession::editableNow() const {
  return open_ && !measuring_ && piston();
}

bool CalibrationSession::locked(int point) const {
  const std::int32_t bits = pointBits(point);
  return (piston()->calFlags & bits) == bits;
}

int CalibrationSession::setValue(CalField field, double value) {
  if (!editableNow() || !std::isfinite(value))
    return CalibRefused;
  if (locked(pointOf(field))) {
    logLine(InputLocked);
    return CalibLocked;
  }
  PistonRange& p = *piston();
  switch (field) {
  case CalField::Force1:
    p.calForce1 = value;
    p.calFlags |= PistonRange::CalForce1Set;
    break;
  case CalField::Volts1:
    p.calVolts1 = value;
    p.calFlags |= PistonRange::CalVolts1Set;
    break;
  case CalField::Force2:
    p.calForce2 = value;
    p.calFlags |= PistonRange::CalForce2Set;
    break;
  case CalField::Volts2:
    p.calVolts2 = value;
    p.calFlags |= PistonRange::CalVolts2Set;
    break;
  }
  p.calDate = static_cast<std::int32_t>(clock_.now());
  updateChanged();
  return CalibOk;
}

int CalibrationSession::setLock(int point, bool on) {
  if (!editableNow() || (point != 1 && point != 2))
    return CalibRefused;
  PistonRange& p = *piston();
  if (on)
    p.calFlags |= pointBits(point);
  else
    p.calFlags &= ~pointBits(point);
  updateChanged();
  return CalibOk;
}

int CalibrationSession::calibrate(int point) {
  if (!editableNow() || (point != 1 && point != 2) || params_.daqErrorState != daqstate::Ok)
    return CalibRefused;
  if (!live_ || !haveReading_)
    return CalibNoReading;
  if (locked(point)) {
    logLine(CalibrationLocked);
    return CalibLocked;
  }
  PistonRange& p = *piston();
  const double volts = params_.calMeanVoltage;
  // The device file keeps voltages to the millivolt: two it would store alike are the same,
  // and would give no line once the file is read again.
  if (formatFixed(volts, 3) == formatFixed(point == 1 ? p.calVolts2 : p.calVolts1, 3)) {
    reporter_.ui().popup(lang_.pick(QuestionTitle), lang_.pick(SameVoltage));
    return CalibSameVoltage;
  }
  if (point == 1) {
    p.calVolts1 = volts;
    p.calFlags |= PistonRange::CalVolts1Set;
  } else {
    p.calVolts2 = volts;
    p.calFlags |= PistonRange::CalVolts2Set;
  }
  p.calDate = static_cast<std::int32_t>(clock_.now());
  updateChanged();
  return CalibOk;
}

int CalibrationSession::changeInputRange(double volts) {
  if (!editableNow())
    return CalibRefused;
  bool offered = false;
  for (double r : CalibInputRanges)
    offered = offered || r == volts;
  if (!offered)
    return CalibRefused;
  PistonRange& p = *piston();
  if (p.rangeVolts == volts)
    return CalibOk;
  const int answer = reporter_.ui().ask(lang_.pick(QuestionTitle), lang_.pick(QuestionText),
                                        {lang_.pick(SwitchButton), lang_.pick(AbortLabel)}, 0, 1);
  if (answer != 0)
    return 1;
  p.rangeVolts = volts;
  p.calDate = 0;
  p.calFlags = 0;
  updateChanged();
  selectPiston(params_.calSelection); // the live signal on the new input range
  return CalibOk;
}

void CalibrationSession::updateChanged() {
  const std::string now = device_->image();
  changed_ = now != openingImage_ || device_->checksum() != openingChecksum_;
}

void CalibrationSession::giveBackSelectLines() {
  if (!selectSwitched_)
    return;
  selectSwitched_ = false;
  const int rc = daq_.daqSelectChannel(params_.hardChn + 1);
  if (rc != daqstate::Ok && params_.daqErrorState == daqstate::Ok)
    params_.daqErrorState = rc;
}

void CalibrationSession::ok() {
  if (!open_)
    return;
  stopLive();
  giveBackSelectLines();
  backup_ = TesterDevice{};
  open_ = false;
}

void CalibrationSession::abort() {
  if (!open_)
    return;
  stopLive();
  giveBackSelectLines();
  if (changed_)
    *device_ = backup_;
  backup_ = TesterDevice{};
  changed_ = false;
  open_ = false;
}

CalibrationSession::Captions CalibrationSession::captions() const {
  const Language& l = lang_;
  return {std::string(l.pick(generalTextTable[0])) + " - " + l.pick(Title),
          l.pick(SelectionLabel),
          l.pick(PointsLabel),
          l.pick(ResultLabel),
          l.pick(ChannelLabel),
          l.pick(DeviceLabel),
          l.pick(PistonLabel),
          l.pick(RangeLabel),
          l.pick(DateLabel),
          l.pick(Force1Label),
          l.pick(Volts1Label),
          l.pick(Force2Label),
          l.pick(Volts2Label),
          l.pick(BlockingLabel),
          l.pick(Calibrate1Label),
          l.pick(Calibrate2Label),
          l.pick(OffsetLabel),
          l.pick(GainLabel),
          l.pick(LiveForceLabel),
          l.pick(LiveVoltsLabel),
          l.pick(OverflowLabel),
          l.pick(MeasLedLabel),
          l.pick(DaqLabel),
          l.pick(AbortLabel)};
}

CalibrationSession::View CalibrationSession::view() const {
  View v;
  v.okLabel = lang_.pick(changed_ ? OkLabel : CloseLabel);
  v.abortVisible = changed_;
  for (double r : CalibInputRanges)
    v.ranges.push_back(formatFixed(r, 3));
  if (!device_)
    return v;
  v.channel = formatInt(channel_ + 1);
  v.deviceName = device_->name;
  for (const ListItem& item : device_->pistons.items())
    v.pistons.push_back(item.label);
  const PistonRange* p = piston();
  if (!p)
    return v;
  v.piston = params_.calSelection;
  for (std::size_t i = 0; i < CalibInputRanges.size(); ++i)
    if (CalibInputRanges[i] == p->rangeVolts)
      v.range = static_cast<int>(i);
  v.date = calibrationDateText(p->calDate, lang_);
  v.force1 = p->calForce1;
  v.volts1 = p->calVolts1;
  v.force2 = p->calForce2;
  v.volts2 = p->calVolts2;
  v.lock1 = locked(1);
  v.lock2 = locked(2);
  const CalibrationLine line = pistonCalibrationLine(*p);
  v.offset = line.usable() ? formatFixed(line.offset, 4) : NoLine;
  v.gain = line.usable() ? formatFixed(line.gain, 4) : NoLine;
  if (haveReading_) {
    v.liveVolts = formatFixed(params_.calMeanVoltage, 4);
    v.liveForce = line.usable() ? formatFixed(line.force(params_.calMeanVoltage), 3) : NoLine;
  }
  v.overflowLed = overflowLed_;
  v.measLed = measLed_;
  const bool daqOk = params_.daqErrorState == daqstate::Ok;
  if (measuring_)
    v.status = lang_.pick(MeasuringStatus);
  else if (!daqOk)
    v.status = daq_.daqStateText(params_.daqErrorState);
  else if (readFailed_)
    v.status = daq_.daqStateText(daqstate::DataTransfer);
  else
    v.status = daq_.daqStateText(daqstate::Ok);
  v.resultsEnabled = !measuring_ && daqOk;
  v.editable = open_ && !measuring_;
  v.calibrate1Enabled = v.calibrate2Enabled = v.resultsEnabled && open_ && live_ && haveReading_;
  return v;
}

} // namespace zv
