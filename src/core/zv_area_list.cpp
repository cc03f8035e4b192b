#include "core/zv_area_list.hpp"

namespace zv {

namespace {
constexpr TextPair AreaPrompt{"Please entering contact area in [mm2]",
                              "Bitte Fläche in [mm2] eingeben"_l1};
}

void AreaList::createDefaults() {
  setEntries({{{}, 1.0}, {{}, 2.0}, {{}, 3.0}});
}

int AreaList::insert(double area, std::string name) {
  return insertEntry(ListValue{std::move(name), area});
}

int promptAddArea(AreaList& list, Ui& ui, const Language& lang) {
  int result = ListOk;
  auto value = promptListValue(ui, lang, AreaPrompt, result);
  return value ? list.insert(*value) : result;
}

int deleteArea(AreaList& list, int index, Ui& ui, const Language& lang, ListValue* removed) {
  return deleteListEntry(list, index, ui, lang, removed);
}

} // namespace zv
