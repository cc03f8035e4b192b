#pragma once
// The measurement sections of the configuration: "Hardware" (the two device files),
// "Messung" (the measurement parameters) and "Haftzug" (the bond tension conversion).
#include <array>
#include <string>
#include <string_view>

#include "core/zv_meas_params.hpp"
#include "storage/zv_ini.hpp"

namespace zv {

// Where a tester device keeps the location of its device file. The configuration fills all
// three from the stored path and writes `path` back.
struct DeviceFileRef {
  std::string* fileName = nullptr;
  std::string* directory = nullptr;
  std::string* path = nullptr;
};

// The location of a device file, for callers that keep it on its own.
struct DeviceFileLocation {
  static constexpr std::size_t FileNameSize = 256;
  static constexpr std::size_t DirectorySize = 260;
  static constexpr std::size_t PathSize = 260;

  std::string fileName;
  std::string directory;
  std::string path;
  DeviceFileRef ref() { return {&fileName, &directory, &path}; }
  friend bool operator==(const DeviceFileLocation&, const DeviceFileLocation&) = default;
};

// Splits a stored device file path: the file name always, the directory (ending in a
// separator) only when the path has one. The path itself is kept as stored.
void setDeviceFilePath(const DeviceFileRef& device, std::string_view storedPath);

void readHardwareSection(IniDocument* doc, const std::array<DeviceFileRef, 2>& devices);
void writeHardwareSection(IniDocument* doc, const std::array<DeviceFileRef, 2>& devices);

// "Messung" and "Haftzug", each read only when the section exists, each key on its own.
// "Meßkanal" is stored 1-based.
void readMeasSections(IniDocument* doc, MeasParams& mp);
// Replaces both sections. "Spikelimit[V/s]" is written as its integer part.
void writeMeasSections(IniDocument* doc, const MeasParams& mp);

} // namespace zv
