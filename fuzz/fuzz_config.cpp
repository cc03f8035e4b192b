// Configuration loading from arbitrary bytes: reading, clamping, placing windows and writing
// back must never crash, and a written configuration must read back to the same text. The
// settings-store parser of the command-line tool gets the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/zv_meas_params.hpp"
#include "program/zv_workdir.hpp"
#include "storage/zv_config_file.hpp"
#include "storage/zv_display_settings.hpp"
#include "storage/zv_ini.hpp"

namespace {

std::string writeAll(zv::ConfigValues& values, std::string_view base) {
  zv::IniHandle doc = zv::Ini_New(0);
  zv::MemoryFile file(base);
  zv::Ini_ReadFromFile(doc, file);
  zv::writeConfiguration(doc, values.targets());
  std::string text;
  zv::Ini_WriteToString(doc, text);
  return text;
}

void readAll(zv::ConfigValues& values, std::string_view bytes) {
  zv::IniHandle doc = zv::Ini_New(0);
  zv::MemoryFile file(bytes);
  if (zv::Ini_ReadFromFile(doc, file) == 0)
    zv::readConfiguration(doc, values.targets());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  zv::ConfigValues values;
  readAll(values, bytes);
  zv::checkMeasParams(&values.measParams);
  if (values.measParams.hardChn < 0 || values.measParams.hardChn > 1)
    __builtin_trap();
  if (values.defaults.newSampleCount < 1 ||
      values.defaults.newSampleCount > values.limits.maxSamples)
    __builtin_trap();
  for (const zv::WindowPlacement* p :
       {&values.display.measWindow, &values.display.orderWindow, &values.display.storageWindow}) {
    const zv::PixelRect r = zv::applyWindowPlacement(*p, 1920, 1080);
    if (r.left < 0 || r.left > 500 || r.width < 10 || r.width > 800)
      __builtin_trap();
    zv::WindowPlacement back;
    zv::storeWindowPlacement(r, 21, 1920, 1080, back);
  }

  // Writing over the input must not crash whatever sections it holds.
  writeAll(values, bytes);
  // Written on its own, a configuration reads back to the same text from the second round on
  // (the first may still turn a number that overflows into its infinite reading).
  const std::string first = writeAll(values, "");
  zv::ConfigValues again;
  readAll(again, first);
  const std::string second = writeAll(again, "");
  zv::ConfigValues third;
  readAll(third, second);
  if (writeAll(third, "") != second)
    __builtin_trap();

  zv::parseSettingsIniFilePath(bytes);
  return 0;
}
