#include "daq/zv_daq.hpp"

#include <cmath>
#include <cstdio>

#include "platform/zv_latin1.hpp"

namespace zv {

namespace {

constexpr TextPair stateTexts[] = {
    {"Connection OK", "Verbindung OK"},
    {"Error unknown", "Fehler Unbekannt"},
    {"DAQ driver NIDAQ not installed", "DAQ Treiber NIDAQ nicht installiert"},
    {"No connection to ZARVIK DAQ Interface", "Keine Verbindung zum ZARVIK Interface"},
    {"DAQ driver NIDAQ not installed", "DAQ Treiber NIDAQ nicht installiert"},
    {"DAQ Error at digital port", "Fehler bei Digital-Port"},
    {"No connection to ZARVIK DAQ Interface", "Keine Verbindung zum ZARVIK Interface"},
    {"DAQ Error at Start", "DAQ Start-Fehler"},
    {"DAQ Error at Status", "DAQ Status-Fehler"},
    {"DAQ Error at Data Transport", "DAQ Daten-Transfer-Fehler"},
    {"DAQ Error at Stop", "DAQ Stop-Fehler"},
    {"No connection to ZARVIK DAQ Interface", "Keine Verbindung zum ZARVIK Interface"},
};

constexpr TextPair dialogTitle{"Setup - Data acquisition", "Setup - Datenerfassung"};
constexpr TextPair dialogHeading{"Parameter of KLV data Aquisition box",
                                 "Parameter der KLV-Datenerfassung"};
constexpr TextPair dialogCaptions[4] = {
    {"NIDAQ Device Typ", "NIDAQ Gerätetyp"_l1},
    {"NIDAQ Version", "NIDAQ Version"},
    {"PC-DAQ Serial Number", "PC-DAQ Seriennr."},
    {"NIDAQ ID", "NIDAQ ID"},
};

} // namespace

int gainCodeForVolts(double v) {
  if (std::isnan(v) || v > 5.1)
    return 1; // an unusable value gets the widest range rather than a clipped signal
  if (v > 2.1)
    return 2;
  if (v > 1.1)
    return 5;
  if (v > 0.51)
    return 10;
  if (v > 0.21)
    return 20;
  if (v > 0.11)
    return 50;
  return 100;
}

std::string formatDaqVersion(unsigned major, unsigned minor) {
  char text[32];
  std::snprintf(text, sizeof text, "V%2X.%2X", major & 0xFFFFu, minor & 0xFFFFu);
  return cutToField(text, measfield::DaqVersionText);
}

DaqDialogTexts dataAcquisitionDialogTexts(const MeasParams& mp, const Language& lang) {
  DaqDialogTexts t;
  t.title = std::string(lang.pick(generalTextTable[0])) + " - " + lang.pick(dialogTitle);
  t.heading = lang.pick(dialogHeading);
  for (std::size_t i = 0; i < 4; ++i)
    t.captions[i] = lang.pick(dialogCaptions[i]);
  char serial[16];
  // Serial numbers are printed in hexadecimal on the devices and in NI's tools.
  std::snprintf(serial, sizeof serial, "%X", static_cast<unsigned>(mp.serialNumber));
  t.values = {mp.productType, mp.daqVersionText, serial, mp.deviceName};
  return t;
}

Daq::Daq(MeasParams& mp, Reporter& reporter, const Language& lang)
    : mp_(mp), reporter_(reporter), lang_(lang), driver_(daqmx::libraryCandidates("")) {}

void Daq::setLibraryCandidates(std::vector<std::string> candidates) {
  driver_.setLibraryCandidates(std::move(candidates));
}

const char* Daq::daqStateText(int code) const {
  if (code < 0 || code >= static_cast<int>(std::size(stateTexts)))
    code = daqstate::Unknown;
  return lang_.pick(stateTexts[code]);
}

int Daq::reportDaqError(int code, int status) {
  if (code != 0 && status != 0)
    reporter_.reportError(code, status, "DAQ", driver_.nidaqErrorText());
  return code;
}

int Daq::detect() {
  mp_.productType = "??";
  mp_.deviceName = "??";
  const int version = driver_.nidaqVersion();
  if (version < 0) {
    reportDaqError(daqerr::Version, version);
    return daqstate::DriverMissing;
  }
  mp_.daqVersion = version;
  mp_.daqVersionText = formatDaqVersion(static_cast<unsigned>(version) >> 16,
                                        static_cast<unsigned>(version) & 0xFFFFu);
  std::string product;
  std::string name;
  std::uint32_t serial = 0;
  if (int rc = driver_.nidaqFindDevice(product, serial, name); rc < 0) {
    reportDaqError(daqerr::FindDevice, rc);
    return daqstate::NoConnection;
  }
  mp_.productType = cutToField(product, measfield::ProductType);
  mp_.deviceName = cutToField(name, measfield::DeviceName);
  mp_.serialNumber = static_cast<int>(serial);
  mp_.statusWords[3] = 1;
  return daqstate::Ok;
}

int Daq::connectionTest() {
  int a = 0;
  int b = 0;
  int rc = 0;
  if (mp_.productType == ProductDAQPad6015) {
    rc = driver_.nidaqTestDAQPad6015(a, b);
  } else if (mp_.productType == ProductUSB6210) {
    rc = driver_.nidaqTestUSB6210(a, b);
  } else {
    reporter_.reportError(daqerr::ConnectionTest, 0, "DAQ",
                          "unsupported product type " + mp_.productType);
    return daqstate::NoConnection;
  }
  if (rc < 0) {
    reportDaqError(daqerr::ConnectionTest, rc);
    return daqstate::NoConnection;
  }
  return (a == 0 && b == 0) ? daqstate::NoConnection : daqstate::Ok;
}

int Daq::daqInit() {
  mp_.seriesFlag = 0;
  mp_.remoteEnable = 0;
  mp_.dSampleRateActual = 1.0;
  mp_.deviceNumber = 1;
  if (runStateReset_)
    runStateReset_();
  count_ = 0;
  driver_.nidaqInit();
  if (mp_.daqEnabled == 0)
    return mp_.daqErrorState;

  const bool wait = mp_.daqErrorState == daqstate::Ok;
  if (wait) {
    reporter_.appendLogText("Check DAQ Connection...");
    reporter_.ui().setWaitCursor(true);
  }
  if (mp_.daqErrorState == daqstate::Ok)
    mp_.daqErrorState = detect();
  if (mp_.daqErrorState == daqstate::Ok) {
    mp_.deviceNumber = 1;
    mp_.daqErrorState = connectionTest();
  }
  if (mp_.daqErrorState == daqstate::Ok)
    mp_.daqErrorState = daqSelectChannel(mp_.hardChn + 1);

  if (mp_.daqErrorState == daqstate::Ok) {
    reporter_.appendLogText("OK\n");
  } else {
    reporter_.appendLogText("Error\n");
    reporter_.reportMessage(report::LogOnly, 0, "Init Hardware", daqStateText(mp_.daqErrorState),
                            mp_.daqErrorState);
  }
  if (wait)
    reporter_.ui().setWaitCursor(false);
  return mp_.daqErrorState;
}

int Daq::daqSelectChannel(int mode) {
  int a = 0;
  int b = 0;
  switch (mode) {
  case selectmode::Channel0:
    a = 1;
    break;
  case selectmode::Channel1:
    b = 1;
    break;
  case selectmode::Shutdown:
    a = b = 1;
    break;
  default:
    break;
  }
  int rc = 0;
  if (mp_.productType == ProductDAQPad6015)
    rc = driver_.nidaqSelectDAQPad6015(a, b);
  else if (mp_.productType == ProductUSB6210)
    rc = driver_.nidaqSelectUSB6210(a, b);
  if (rc < 0) {
    reportDaqError(daqerr::SelectChannel, rc);
    return daqstate::ChannelSelect;
  }
  return daqstate::Ok;
}

int Daq::daqSetChannel(int channel) {
  mp_.hardChn = channel != 0 ? 1 : 0;
  if (mp_.daqErrorState != daqstate::Ok)
    return 0;
  const int rc = daqSelectChannel(mp_.hardChn + 1);
  // The tester interface no longer follows the channel: measuring on would use a tester the
  // interface has not switched to, so the connection counts as lost, as at start-up.
  if (rc != daqstate::Ok)
    mp_.daqErrorState = rc;
  return rc;
}

int Daq::daqStart(int channel, double fullScaleVolts, int requestedRate, double& actualRate) {
  if (channel < 0 || channel > 3)
    return -1;
  const int channelCode = channel * 2;
  double interval = 0.0;
  std::uint16_t status = 0;
  count_ = 0;
  const int rc = pad_.start(mp_.deviceNumber, requestedRate, channelCode,
                            gainCodeForVolts(fullScaleVolts), interval, status);
  if (rc < 0) {
    reportDaqError(daqerr::Start, rc);
    mp_.daqErrorState = daqstate::StartFailed;
    driver_.nidaqClear(); // a half-made task would keep the analog input reserved
    return daqerr::Start;
  }
  actualRate = 1.0 / interval;
  return 0;
}

int Daq::daqStop() {
  std::uint16_t status = 0;
  const int rc = pad_.stop(mp_.deviceNumber, status);
  if (rc < 0) {
    reportDaqError(daqerr::Stop, rc);
    mp_.daqErrorState = daqstate::StopFailed;
    return daqerr::Stop;
  }
  return 0;
}

int Daq::daqRead() {
  std::uint16_t status = 0;
  int count = 0;
  const int rc = pad_.read(mp_.deviceNumber, buffer_, count, status);
  count_ = rc < 0 ? 0 : count;
  return rc < 0 ? rc : count_;
}

int Daq::remoteOutput(int value) {
  // The tester has no remote line wired; the value is only recorded.
  remoteOutputs_.push_back(value);
  return 0;
}

int Daq::daqRemote(int command, int) {
  if (mp_.daqErrorState != daqstate::Ok)
    return -99;
  if (mp_.remoteEnable == 0)
    return -1;
  if (command < 1 || command > 4)
    return -2;
  remoteOutput(mp_.hardChn + 1);
  remoteOutput(0);
  return 0;
}

void Daq::daqShutdown() {
  if (runStateReset_)
    runStateReset_();
  if (mp_.daqErrorState == daqstate::Ok) {
    daqSelectChannel(selectmode::Shutdown);
    remoteOutput(0);
  }
  driver_.nidaqClear();
  mp_.deviceNumber = 1;
}

int Daq::announcePullSpeed(int channel, double newtonPerSecond) {
  if (channel < 0 || channel > 3)
    return -1;
  // The same input daqStart measures: channel 0 is tester 1 on ai0, every other tester 2 on ai1.
  return driver_.setSimulatedPullSpeed(channel == 0 ? 0 : 1, newtonPerSecond);
}

} // namespace zv
