#include "storage/zv_meas_settings.hpp"

#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/zv_latin1.hpp"

namespace zv {

namespace {

constexpr const char* Hardware = "Hardware";
constexpr const char* Messung = "Messung";
constexpr const char* Haftzug = "Haftzug";
constexpr int PathBuffer = 260; // 259 characters

const char* deviceKey(std::size_t i) {
  return i == 0 ? "Gerätedatei-1"_l1 : "Gerätedatei-2"_l1;
}

bool isSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/' || c == ':';
#else
  return c == '/';
#endif
}

void readInt(IniDocument* doc, std::string_view section, std::string_view key, int& target) {
  if (Ini_ItemExists(doc, section, key) != 1)
    return;
  std::int32_t v = 0;
  if (Ini_GetInt(doc, section, key, &v) == 1)
    target = v;
}

void readDouble(IniDocument* doc, std::string_view section, std::string_view key, double& target) {
  if (Ini_ItemExists(doc, section, key) == 1)
    Ini_GetDouble(doc, section, key, &target); // a bad number still leaves its leading part
}

std::int32_t saturate(std::int64_t v) {
  if (v < std::numeric_limits<std::int32_t>::min())
    return std::numeric_limits<std::int32_t>::min();
  if (v > std::numeric_limits<std::int32_t>::max())
    return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(v);
}

// The integer part of a double, toward zero, without overflow.
std::int32_t integerPart(double v) {
  if (std::isnan(v))
    return 0;
  if (v <= std::numeric_limits<std::int32_t>::min())
    return std::numeric_limits<std::int32_t>::min();
  if (v >= std::numeric_limits<std::int32_t>::max())
    return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(v);
}

} // namespace

void setDeviceFilePath(const DeviceFileRef& device, std::string_view stored) {
  std::size_t cut = 0;
  for (std::size_t i = stored.size(); i > 0; --i)
    if (isSeparator(stored[i - 1])) {
      cut = i;
      break;
    }
  if (device.fileName)
    *device.fileName = cutToField(stored.substr(cut), DeviceFileLocation::FileNameSize);
  if (device.directory && cut > 0)
    *device.directory = cutToField(stored.substr(0, cut), DeviceFileLocation::DirectorySize);
  if (device.path)
    *device.path = cutToField(stored, DeviceFileLocation::PathSize);
}

void readHardwareSection(IniDocument* doc, const std::array<DeviceFileRef, 2>& devices) {
  if (Ini_SectionExists(doc, Hardware) != 1)
    return;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    if (Ini_ItemExists(doc, Hardware, deviceKey(i)) != 1)
      continue;
    std::string value;
    if (Ini_GetRawStringIntoBuffer(doc, Hardware, deviceKey(i), &value, PathBuffer) == 1)
      setDeviceFilePath(devices[i], value);
  }
}

void writeHardwareSection(IniDocument* doc, const std::array<DeviceFileRef, 2>& devices) {
  Ini_RemoveSection(doc, Hardware);
  for (std::size_t i = 0; i < devices.size(); ++i)
    Ini_PutRawString(doc, Hardware, deviceKey(i),
                     devices[i].path ? std::string_view(*devices[i].path) : std::string_view());
}

void readMeasSections(IniDocument* doc, MeasParams& m) {
  if (Ini_SectionExists(doc, Messung) == 1) {
    readInt(doc, Messung, "Abtastrate[Hz]", m.sampleRate);
    readInt(doc, Messung, "Meßpunkte"_l1, m.gphPoints);
    readInt(doc, Messung, "Mittelwerte", m.average);
    readDouble(doc, Messung, "Triggerdelta[s]", m.dTrigDiffTime);
    readInt(doc, Messung, "Spikefilter", m.nSpikeNum);
    readDouble(doc, Messung, "Spikelimit[V/s]", m.dSpikeLim);
    readDouble(doc, Messung, "Stopdelay[s]", m.dPostTrigTime);
    std::int32_t channel = 0;
    if (Ini_ItemExists(doc, Messung, "Meßkanal"_l1) == 1 &&
        Ini_GetInt(doc, Messung, "Meßkanal"_l1, &channel) == 1)
      m.hardChn = saturate(std::int64_t{channel} - 1); // stored 1-based; range left to the clamps
    readDouble(doc, Messung, "Startlimit[%]", m.startProzent);
    readDouble(doc, Messung, "Starttime[s]", m.startTime);
    readDouble(doc, Messung, "Stoplimit[%]", m.stopProzent);
    readDouble(doc, Messung, "Stoptime[s]", m.stopTime);
    readDouble(doc, Messung, "Polling[s]", m.dPollTime);
    readDouble(doc, Messung, "Startpuls[s]", m.dStartPulseDelay);
    readDouble(doc, Messung, "Stoppuls[s]", m.dStopPulseDelay);
    readInt(doc, Messung, "Offset-On", m.forcLimitEnable);
    readDouble(doc, Messung, "Offset-Prozent", m.forcLimitRelVal);
    readInt(doc, Messung, "Berechnungsmode", m.calcMode);
  }
  if (Ini_SectionExists(doc, Haftzug) == 1) {
    readDouble(doc, Haftzug, "Verstärkung"_l1, m.gain_press);
    readDouble(doc, Haftzug, "Offset", m.offset_press);
    if (Ini_ItemExists(doc, Haftzug, "Einheit") == 1)
      Ini_GetRawStringIntoBuffer(doc, Haftzug, "Einheit", &m.unit_press, 19);
  }
}

void writeMeasSections(IniDocument* doc, const MeasParams& m) {
  Ini_RemoveSection(doc, Messung);
  Ini_RemoveSection(doc, Haftzug);
  Ini_PutInt(doc, Messung, "Abtastrate[Hz]", m.sampleRate);
  Ini_PutInt(doc, Messung, "Meßpunkte"_l1, m.gphPoints);
  Ini_PutInt(doc, Messung, "Mittelwerte", m.average);
  Ini_PutDouble(doc, Messung, "Triggerdelta[s]", m.dTrigDiffTime);
  Ini_PutInt(doc, Messung, "Spikefilter", m.nSpikeNum);
  Ini_PutInt(doc, Messung, "Spikelimit[V/s]", integerPart(m.dSpikeLim));
  Ini_PutDouble(doc, Messung, "Stopdelay[s]", m.dPostTrigTime);
  Ini_PutInt(doc, Messung, "Meßkanal"_l1, saturate(std::int64_t{m.hardChn} + 1));
  Ini_PutDouble(doc, Messung, "Startlimit[%]", m.startProzent);
  Ini_PutDouble(doc, Messung, "Starttime[s]", m.startTime);
  Ini_PutDouble(doc, Messung, "Stoplimit[%]", m.stopProzent);
  Ini_PutDouble(doc, Messung, "Stoptime[s]", m.stopTime);
  Ini_PutDouble(doc, Messung, "Polling[s]", m.dPollTime);
  Ini_PutDouble(doc, Messung, "Startpuls[s]", m.dStartPulseDelay);
  Ini_PutDouble(doc, Messung, "Stoppuls[s]", m.dStopPulseDelay);
  Ini_PutInt(doc, Messung, "Offset-On", m.forcLimitEnable);
  Ini_PutDouble(doc, Messung, "Offset-Prozent", m.forcLimitRelVal);
  Ini_PutInt(doc, Messung, "Berechnungsmode", m.calcMode);
  Ini_PutDouble(doc, Haftzug, "Verstärkung"_l1, m.gain_press);
  Ini_PutDouble(doc, Haftzug, "Offset", m.offset_press);
  Ini_PutRawString(doc, Haftzug, "Einheit", m.unit_press);
}

} // namespace zv
