// Device files from any bytes: reading must never crash or let an unusable value into a
// list, and what a save writes must read back into the same file text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "storage/zv_devicefile.hpp"

namespace {

void checkAt(bool ok, int line) {
  if (ok)
    return;
  std::fprintf(stderr, "check failed at line %d\n", line);
  std::abort();
}
#define check(condition) checkAt((condition), __LINE__)

template <class List> void checkList(const List& list) {
  check(list.count() >= 1);
  for (int i = 0; i < list.count(); ++i) {
    check(zv::isValidListValue(*list.valueAt(i)));
    if (i > 0)
      check(*list.valueAt(i - 1) <= *list.valueAt(i));
  }
}

void checkDevice(const zv::TesterDevice& d) {
  check(d.name.size() <= zv::TesterDevice::TextReadLength || d.name == "---");
  check(d.serialNumber.size() <= zv::TesterDevice::TextReadLength);
  checkList(d.pistons);
  checkList(d.speeds);
  checkList(d.areas);
  for (const auto& p : d.pistons.entries())
    check(zv::isValidListValue(p.rangeVolts) && p.name.empty());
  for (const auto& a : d.areas.entries())
    check(a.name.size() < zv::ListValue::NameSize);
}

// Reads text as a device file into a device with built-in values.
int load(std::string_view text, zv::TesterDevice& device) {
  zv::IniHandle doc = zv::Ini_New(0);
  zv::MemoryFile file(text);
  zv::Ini_ReadFromFile(doc, file);
  std::vector<zv::SkippedListItem> skipped;
  return zv::readDeviceDocument(doc, device, &skipped);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  zv::TesterDevice first;
  load(bytes, first);
  checkDevice(first);

  // A saved file rounds pistons to three decimals; from then on it reads back unchanged.
  const std::string text1 = zv::deviceFileText(first);
  zv::TesterDevice second;
  load(text1, second);
  checkDevice(second);
  const std::string text2 = zv::deviceFileText(second);
  zv::TesterDevice third;
  check(load(text2, third) == zv::DeviceOk);
  check(zv::deviceFileText(third) == text2);
  // Area names are the keys they were read under, so only the values must agree.
  check(third.pistons == second.pistons && third.speeds == second.speeds);
  check(third.areas.count() == second.areas.count());
  for (int i = 0; i < third.areas.count(); ++i)
    check(*third.areas.valueAt(i) == *second.areas.valueAt(i));
  return 0;
}
