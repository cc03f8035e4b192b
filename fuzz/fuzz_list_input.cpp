// Typed and stored texts that become list entries: the first-number reader behind the add
// prompts, the value lists and the evaluation list filled from them. Every invariant of the
// lists must hold whatever the bytes are.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/zv_area_list.hpp"
#include "core/zv_evaluation_list.hpp"
#include "core/zv_format.hpp"
#include "core/zv_piston_list.hpp"

namespace {

void check(bool ok) {
  if (!ok)
    std::abort();
}

template <class List> void checkValueList(const List& list) {
  check(list.count() >= 1);
  for (int i = 0; i < list.count(); ++i) {
    check(zv::isValidListValue(*list.valueAt(i)));
    if (i > 0)
      check(*list.valueAt(i - 1) <= *list.valueAt(i));
    check(list.labelAt(i)->size() >= 8);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  std::vector<std::string> lines;
  std::vector<zv::ListValue> values;
  std::vector<zv::PistonRange> pistons;
  std::size_t start = 0;
  while (start <= input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string_view::npos)
      end = input.size();
    std::string_view line = input.substr(start, end - start);
    lines.emplace_back(line);
    if (auto v = zv::parseFirstNumber(line)) {
      values.push_back({std::string(line), *v});
      zv::PistonRange p;
      p.range = *v;
      pistons.push_back(p);
      // The formatter gives printf's text; the fuzzer runs in the C locale.
      char ref[512];
      std::snprintf(ref, sizeof ref, "%8.3f", *v);
      check(zv::formatFixed(*v, 8, 3) == ref);
    }
    start = end + 1;
  }

  zv::AreaList areas;
  areas.assign(values);
  checkValueList(areas);
  for (const auto& v : values)
    areas.insert(v.value);
  checkValueList(areas);
  for (const auto& e : areas.entries())
    check(e.name.size() <= 23);

  zv::PistonList pistonList;
  pistonList.assign(pistons);
  checkValueList(pistonList);
  double probe = values.empty() ? -1.0 : values.front().value;
  int index = pistonList.validateIndex(probe);
  check(index >= 0 && index < pistonList.count());
  check(pistonList.find(probe) >= 0);

  zv::EvaluationList evaluations;
  evaluations.assign(lines);
  for (const auto& l : lines)
    evaluations.insert(l);
  const auto& texts = evaluations.entries();
  check(!texts.empty());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    check(texts[i].size() <= 19);
    check(texts[i].find('\0') == std::string::npos);
    if (i > 0)
      check(texts[i - 1] < texts[i]);
  }
  check(evaluations.selectedIndex() >= 0 && evaluations.selectedIndex() < evaluations.count());
  return 0;
}
