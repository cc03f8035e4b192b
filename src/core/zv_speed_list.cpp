#include "core/zv_speed_list.hpp"

namespace zv {

namespace {
constexpr TextPair SpeedPrompt{"Please entering piston speed in [N/s]",
                               "Bitte Geschwindigkeit in [N/s] eingeben"};
}

void SpeedList::createDefaults() {
  setEntries({{{}, 100.0}, {{}, 200.0}, {{}, 300.0}});
}

int SpeedList::insert(double speed, std::string name) {
  return insertEntry(ListValue{std::move(name), speed});
}

int promptAddSpeed(SpeedList& list, Ui& ui, const Language& lang) {
  int result = ListOk;
  auto value = promptListValue(ui, lang, SpeedPrompt, result);
  return value ? list.insert(*value) : result;
}

int deleteSpeed(SpeedList& list, int index, Ui& ui, const Language& lang, ListValue* removed) {
  return deleteListEntry(list, index, ui, lang, removed);
}

} // namespace zv
