#include "core/zv_piston_list.hpp"

namespace zv {

namespace {
constexpr TextPair PistonPrompt{"Please entering piston value in [kN]",
                                "Bitte Kolbenwert in [kN] eingeben"};
}

CalibrationLine pistonCalibrationLine(const PistonRange& p) {
  CalibrationLine line;
  line.gain = (p.calForce2 - p.calForce1) / (p.calVolts2 - p.calVolts1);
  line.offset = p.calForce1 - p.calVolts1 * line.gain;
  return line;
}

void PistonList::createDefaults() {
  std::vector<PistonRange> v(3);
  v[0].range = 10.0;
  v[1].range = 20.0;
  v[2].range = 30.0;
  setEntries(std::move(v));
}

int PistonList::insert(double range) {
  PistonRange p;
  p.range = range;
  return insertEntry(std::move(p));
}

int PistonList::validateIndex(double& value) const {
  int i = find(value);
  if (i >= 0)
    return i;
  validate(value);
  return 0;
}

int promptAddPiston(PistonList& list, Ui& ui, const Language& lang) {
  int result = ListOk;
  auto value = promptListValue(ui, lang, PistonPrompt, result);
  return value ? list.insert(*value) : result;
}

int deletePiston(PistonList& list, int index, Ui& ui, const Language& lang, PistonRange* removed) {
  return deleteListEntry(list, index, ui, lang, removed);
}

} // namespace zv
